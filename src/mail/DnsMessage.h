#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// One mail exchanger of an answer. The preference is the record's 16-bit
// field; it compares as the unsigned number it is on the wire.
struct MxEntry {
    QString host;
    qint16 preference = 0;
    quint16 preferenceNumber() const { return quint16(preference); }
};

// What an MX answer gave: the exchangers in ascending preference (equal
// preferences keep their answer order) and the best one, the first of the
// lowest preference.
struct MxAnswer {
    QVector<MxEntry> hosts;
    QString best;
};

// The bytes of the DNS MX query and the reading of its answer. Pure functions
// over byte buffers: every read stays inside the buffer; a name that cannot
// be read (cut short, a pointer loop, longer than 255 characters) ends the
// parse as if no further records followed.
namespace DnsMessage {

constexpr quint16 kQueryId = 4575;
constexpr int kMaxNameLength = 255;
constexpr int kMaxPointerJumps = 16;

// The query packet for `domain` (17 + n bytes), or an empty array when the
// domain cannot be written as labels (an empty label, a label over 63 bytes).
// A single trailing dot is dropped.
QByteArray MxQueryPacket(const QString &domain);

// The answer count of a reply (bytes 6-7), 0 when the reply is shorter.
int AnswerCount(const QByteArray &reply);

enum class NameEnd { Zero, Pointer, Unreadable };
// Appends the name at `pos` to `name`. After a name ending in a zero byte
// `pos` rests on that byte; after a compression pointer (first byte 0xC0 only)
// it rests behind the pointer's two bytes.
NameEnd ReadName(const QByteArray &reply, int &pos, QString &name);

// The MX records of a reply: the answers are walked until the first record
// that is not an MX record.
MxAnswer ParseMxAnswers(const QByteArray &reply);

// The hosts sorted by ascending preference, equal preferences in their order.
void SortByPreference(QVector<MxEntry> &hosts);

} // namespace DnsMessage
