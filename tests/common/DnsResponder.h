#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUdpSocket>
#include <QVector>

// A scripted DNS server on 127.0.0.1 for the MX lookup tests. Each question
// name gets a crafted reply (built with the helpers below, or any bytes,
// hostile ones included); names without one get no answer records. Replies
// can be preceded by one from a second socket (another port), or not come.
class DnsResponder : public QObject {
    Q_OBJECT
public:
    struct Script {
        QByteArray reply;          // sent as it is; empty: an answer-less reply
        QByteArray otherPortReply; // sent first, from a socket on another port
        bool silent = false;       // no reply at all
    };

    explicit DnsResponder(QObject *parent = nullptr);
    quint16 port() const { return m_socket.localPort(); }
    QString server() const; // "127.0.0.1:<port>"
    void setScript(const QString &name, const Script &script) { m_scripts[name] = script; }

    QList<QByteArray> queries; // raw query bytes in arrival order
    QStringList askedNames() const;

    // Reply builders. An MX record: preference and exchange name bytes
    // (labels ending in 0, or ending in a pointer).
    struct Record {
        quint16 type = 15;
        quint16 preference = 0;
        QByteArray data; // the exchange name's bytes (MX) or any rdata
    };
    // A reply to `query` with the records, each owner a pointer to offset 12.
    static QByteArray reply(const QByteArray &query, const QVector<Record> &records);
    // Labels of a name ending in a zero byte ("mx1.example.test").
    static QByteArray labels(const QString &name);
    // The question name of a query, dotted.
    static QString questionName(const QByteArray &query);

private:
    void onReadyRead();
    QUdpSocket m_socket;
    QUdpSocket m_other;
    QHash<QString, Script> m_scripts;
};
