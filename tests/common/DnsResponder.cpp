#include "common/DnsResponder.h"

#include <QNetworkDatagram>

DnsResponder::DnsResponder(QObject *parent) : QObject(parent) {
    m_socket.bind(QHostAddress::LocalHost, 0);
    m_other.bind(QHostAddress::LocalHost, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &DnsResponder::onReadyRead);
}

QString DnsResponder::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QStringList DnsResponder::askedNames() const {
    QStringList names;
    for (const QByteArray &query : queries)
        names.append(questionName(query));
    return names;
}

QByteArray DnsResponder::labels(const QString &name) {
    QByteArray bytes;
    for (const QString &label : name.split(QLatin1Char('.'), Qt::SkipEmptyParts))
        bytes += char(label.size()) + label.toLatin1();
    return bytes + '\0';
}

QString DnsResponder::questionName(const QByteArray &query) {
    QStringList parts;
    int pos = 12;
    while (pos < query.size() && query[pos] != 0) {
        const int length = quint8(query[pos]);
        parts.append(QString::fromLatin1(query.mid(pos + 1, length)));
        pos += length + 1;
    }
    return parts.join(QLatin1Char('.'));
}

QByteArray DnsResponder::reply(const QByteArray &query, const QVector<Record> &records) {
    auto be16 = [](quint16 v) { return QByteArray(1, char(v >> 8)) + char(v & 0xFF); };
    QByteArray out = query.left(2) + "\x81\x80" + be16(1) + be16(quint16(records.size())) +
                     be16(0) + be16(0) + query.mid(12);
    for (const Record &r : records) {
        const QByteArray rdata = r.type == 15 ? be16(r.preference) + r.data : r.data;
        out += "\xC0\x0C" + be16(r.type) + be16(1) + QByteArray("\x00\x00\x0E\x10", 4) +
               be16(quint16(rdata.size())) + rdata;
    }
    return out;
}

void DnsResponder::onReadyRead() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        const QByteArray query = datagram.data();
        queries.append(query);
        const QString name = questionName(query);
        const Script script = m_scripts.value(name);
        if (script.silent) continue;
        const QByteArray answer = script.reply.isEmpty() ? reply(query, {}) : script.reply;
        if (!script.otherPortReply.isEmpty())
            m_other.writeDatagram(script.otherPortReply, datagram.senderAddress(),
                                  quint16(datagram.senderPort()));
        m_socket.writeDatagram(answer, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}
