#include "mail/DnsMessage.h"

namespace {
quint8 byteAt(const QByteArray &bytes, int pos) {
    return quint8(bytes.at(pos));
}

DnsMessage::NameEnd readName(const QByteArray &reply, int &pos, QString &name, int &jumps) {
    using DnsMessage::NameEnd;
    for (;;) {
        if (pos < 0 || pos >= reply.size()) return NameEnd::Unreadable;
        const quint8 b = byteAt(reply, pos);
        if (b == 0) return NameEnd::Zero;
        if (b == 0xC0) {
            if (pos + 1 >= reply.size() || ++jumps > DnsMessage::kMaxPointerJumps)
                return NameEnd::Unreadable;
            int target = byteAt(reply, pos + 1);
            if (readName(reply, target, name, jumps) == NameEnd::Unreadable)
                return NameEnd::Unreadable;
            pos += 2;
            return NameEnd::Pointer;
        }
        ++pos;
        if (pos + b >= reply.size() || name.size() + b > DnsMessage::kMaxNameLength)
            return NameEnd::Unreadable;
        name += QString::fromLatin1(reply.constData() + pos, b);
        pos += b;
        if (byteAt(reply, pos) != 0) name += QLatin1Char('.');
    }
}
} // namespace

QByteArray DnsMessage::MxQueryPacket(const QString &domain) {
    QString name = domain;
    if (name.endsWith(QLatin1Char('.'))) name.chop(1);
    QByteArray packet;
    packet.append(char(kQueryId >> 8)).append(char(kQueryId & 0xFF));
    packet.append(char(0x01)).append(char(0x00));
    packet.append("\x00\x01\x00\x00\x00\x00\x00\x00", 8);
    for (const QString &label : name.split(QLatin1Char('.'))) {
        const QByteArray bytes = label.toLatin1();
        if (bytes.isEmpty() || bytes.size() > 63) return {};
        packet.append(char(bytes.size())).append(bytes);
    }
    packet.append('\0');
    packet.append("\x00\x0F\x00\x01", 4);
    return packet;
}

int DnsMessage::AnswerCount(const QByteArray &reply) {
    if (reply.size() < 8) return 0;
    return byteAt(reply, 6) << 8 | byteAt(reply, 7);
}

DnsMessage::NameEnd DnsMessage::ReadName(const QByteArray &reply, int &pos, QString &name) {
    int jumps = 0;
    return readName(reply, pos, name, jumps);
}

MxAnswer DnsMessage::ParseMxAnswers(const QByteArray &reply) {
    MxAnswer answer;
    int pos = 12;
    QString question;
    if (ReadName(reply, pos, question) == NameEnd::Unreadable) return answer;
    // Over the question's zero byte, type and class, the first answer's
    // owner pointer and the high byte of its type.
    pos += 8;
    bool haveBest = false;
    quint16 bestPreference = 0;
    for (int left = AnswerCount(reply); left > 0; --left) {
        if (pos >= reply.size() || byteAt(reply, pos) != 15) break;
        pos += 9; // type low byte, class, time to live, data length
        if (pos + 2 > reply.size()) break;
        const quint16 preference = quint16(byteAt(reply, pos) << 8 | byteAt(reply, pos + 1));
        pos += 2;
        QString host;
        const NameEnd end = ReadName(reply, pos, host);
        if (end == NameEnd::Unreadable) break;
        if (!host.trimmed().isEmpty()) {
            answer.hosts.append({host, qint16(preference)});
            if (!haveBest || preference < bestPreference) {
                haveBest = true;
                bestPreference = preference;
                answer.best = host;
            }
        }
        if (end == NameEnd::Zero) ++pos;
        pos += 3; // the next answer's owner pointer and high type byte
    }
    SortByPreference(answer.hosts);
    return answer;
}

void DnsMessage::SortByPreference(QVector<MxEntry> &hosts) {
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int i = 0; i + 1 < hosts.size(); ++i)
            if (hosts[i].preferenceNumber() > hosts[i + 1].preferenceNumber()) {
                std::swap(hosts[i], hosts[i + 1]);
                swapped = true;
            }
    }
}
