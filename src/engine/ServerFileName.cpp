#include "engine/ServerFileName.h"

#include "jobs/DownJobRecord.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace {

constexpr int kMaxNameBytes = 255;
constexpr int kMaxKeptExtension = 16;

struct Param {
    QString name;
    QString value;
};

// The parameters after the disposition type: `name=token` or
// `name="quoted \" text"`, separated by ";". An unclosed quote runs to the end.
QList<Param> params(const QString &value) {
    QList<Param> out;
    int i = int(value.indexOf(QLatin1Char(';')));
    if (i < 0) return out;
    const int n = int(value.size());
    while (i < n) {
        ++i; // past ";"
        const int eq = int(value.indexOf(QLatin1Char('='), i));
        const int semi = int(value.indexOf(QLatin1Char(';'), i));
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            if (semi < 0) break;
            i = semi;
            continue;
        }
        Param p;
        p.name = value.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        while (i < n && value[i] == QLatin1Char(' '))
            ++i;
        if (i < n && value[i] == QLatin1Char('"')) {
            for (++i; i < n && value[i] != QLatin1Char('"'); ++i) {
                if (value[i] == QLatin1Char('\\') && i + 1 < n) ++i;
                p.value += value[i];
            }
            i = int(value.indexOf(QLatin1Char(';'), i));
            if (i < 0) i = n;
        } else {
            const int end = semi < 0 ? n : semi;
            p.value = value.mid(i, end - i).trimmed();
            i = end;
        }
        out.append(p);
    }
    return out;
}

// Header text holds the bytes as Latin-1; a name sent as UTF-8 is read as such.
QString fromHeaderBytes(const QString &text) {
    const QByteArray bytes = text.toLatin1();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);
    return utf8.hasError() ? text : decoded;
}

// RFC 5987: charset'language'percent-encoded bytes.
QString extValue(const QString &value) {
    const int first = int(value.indexOf(QLatin1Char('\'')));
    const int second = first < 0 ? -1 : int(value.indexOf(QLatin1Char('\''), first + 1));
    if (second < 0) return {};
    QStringDecoder decoder(value.left(first).trimmed().toLatin1().constData(),
                           QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return {};
    const QString text = decoder(QByteArray::fromPercentEncoding(value.mid(second + 1).toLatin1()));
    return decoder.hasError() ? QString() : text;
}

bool isDropped(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Format;
}

// The longest prefix of `text` whose UTF-8 form has at most `bytes` bytes.
QString cutToBytes(const QString &text, int bytes) {
    int used = 0;
    int i = 0;
    while (i < text.size()) {
        const int width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int size = int(text.mid(i, width).toUtf8().size());
        if (used + size > bytes) break;
        used += size;
        i += width;
    }
    return text.left(i);
}

} // namespace

namespace ServerFileName {

QString FromContentDisposition(const QString &value) {
    QString plain;
    QString extended;
    bool plainSeen = false;
    bool extendedSeen = false;
    for (const Param &p : params(value)) {
        if (p.name == QLatin1String("filename*") && !extendedSeen) {
            extendedSeen = true;
            extended = Sanitized(extValue(p.value));
        } else if (p.name == QLatin1String("filename") && !plainSeen) {
            plainSeen = true;
            plain = Sanitized(fromHeaderBytes(p.value));
        }
    }
    return extended.isEmpty() ? plain : extended;
}

QString Sanitized(const QString &name) {
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name)
        if (!isDropped(c)) clean += c;
    clean.replace(QLatin1Char('\\'), QLatin1Char('/'));
    clean = clean.mid(clean.lastIndexOf(QLatin1Char('/')) + 1);
    int from = 0;
    while (from < clean.size() && (clean[from] == QLatin1Char('.') || clean[from].isSpace()))
        ++from;
    int to = int(clean.size());
    while (to > from && (clean[to - 1] == QLatin1Char('.') || clean[to - 1].isSpace()))
        --to;
    clean = clean.mid(from, to - from);
    if (clean.toUtf8().size() <= kMaxNameBytes) return clean;
    const int dot = int(clean.lastIndexOf(QLatin1Char('.')));
    const QString ext =
        dot > 0 && clean.size() - dot <= kMaxKeptExtension ? clean.mid(dot) : QString();
    const QString stem = clean.left(clean.size() - ext.size());
    return cutToBytes(stem, kMaxNameBytes - int(ext.toUtf8().size())) + ext;
}

bool NamedAfterUrl(const DownJobRecord &job) {
    const QString name = QFileInfo(job.SavePath).fileName();
    if (name.isEmpty()) return true; // a folder: the engine names the file
    QString last = job.Url.trimmed();
    last = last.mid(last.lastIndexOf(QLatin1Char('/')) + 1);
    const QString noQuery = last.left(last.indexOf(QLatin1Char('?')));
    for (const QString &candidate : {last, noQuery})
        if (name == candidate || name == QUrl::fromPercentEncoding(candidate.toUtf8())) return true;
    return name == QLatin1String("index.html") && noQuery.isEmpty();
}

} // namespace ServerFileName
