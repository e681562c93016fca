#include "search/SearchUrl.h"

#include "engine/HttpExchange.h"
#include "platform/Cp1252.h"
#include "search/ScriptScan.h"
#include "search/SearchJobRecord.h"

#include <QStringDecoder>

QString FileNameFromUrl(const QString &url) {
    const int slash =
        int(qMax(url.lastIndexOf(QLatin1Char('/')), url.lastIndexOf(QLatin1Char('\\'))));
    return slash < 0 ? QString() : url.mid(slash + 1);
}

QString FileExtension(const QString &name) {
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    return dot < 0 ? name : name.mid(dot + 1);
}

namespace SearchUrl {

namespace {
const QString kScheme = QStringLiteral("http://");
const QString kTlsScheme = QStringLiteral("https://");
constexpr int kHostStart = 7;    // just behind "http://"
constexpr int kTlsHostStart = 8; // just behind "https://"

bool failWith(QString *error, const QString &text) {
    if (error) *error = text;
    return false;
}

// Spaces, controls, non-ASCII characters (as UTF-8) and the characters no
// request line may carry, percent-encoded; everything else as it is.
QString encodeTarget(const QString &target) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char ch : target.toUtf8()) {
        const uchar b = uchar(ch);
        if (b <= 0x20 || b >= 0x7F || b == '"' || b == '<' || b == '>' || b == '`') {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += char(b);
        }
    }
    return QString::fromLatin1(out);
}

bool isWeb(const QUrl &url) {
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

// Percent-decoded as UTF-8; as it is when the bytes are no UTF-8.
QString decodeSegment(const QByteArray &encoded) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArray::fromPercentEncoding(encoded));
    return utf8.hasError() ? QString::fromLatin1(encoded) : text;
}

bool knownExtension(const QString &name) {
    static const QLatin1String known[] = {
        QLatin1String("swf"), QLatin1String("spl"), QLatin1String("flv"), QLatin1String("f4v"),
        QLatin1String("mp4"), QLatin1String("m4v"), QLatin1String("mov"), QLatin1String("mp3"),
        QLatin1String("wav"), QLatin1String("xml"), QLatin1String("jpg"), QLatin1String("jpeg"),
        QLatin1String("gif"), QLatin1String("png"), QLatin1String("zip"), QLatin1String("htm"),
        QLatin1String("html")};
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0) return false;
    const QStringView ext = QStringView(name).mid(dot + 1);
    for (const QLatin1String &k : known)
        if (ext.compare(k, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Path separators and controls out of a file name; characters outside
// Windows-1252 percent-encoded as UTF-8.
QString fileNameText(const QString &name) {
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        QString ch(name[i]);
        if (name[i].isHighSurrogate() && i + 1 < name.size()) ch += name[++i];
        const char16_t u = ch[0].unicode();
        if (u < 0x20 || u == 0x7F || u == '/' || u == '\\') {
            out += QLatin1Char('_');
        } else if (u < 0x80 || Cp1252::decode(Cp1252::encode(ch)) == ch) {
            out += ch;
        } else {
            out += QString::fromLatin1(ch.toUtf8().toPercentEncoding());
        }
    }
    return out == QLatin1String(".") || out == QLatin1String("..") ? QStringLiteral("_") : out;
}
} // namespace

bool ParseSearchUrl(SearchJobRecord &record, QString *error) {
    QString url = record.Url;
    const bool tls = url.startsWith(kTlsScheme);
    const int hostStart = tls ? kTlsHostStart : kHostStart;
    if (url.indexOf(QLatin1Char('/'), hostStart) < 0) url += QLatin1Char('/');
    if (!tls && !url.contains(kScheme))
        return failWith(error,
                        QStringLiteral("The URL does not begin with http:// or https://: ") + url);
    const int s = int(url.indexOf(QLatin1Char('/'), hostStart));
    const QString host = url.mid(hostStart, s - hostStart);
    const int colon = int(host.indexOf(QLatin1Char(':')));
    if (host.isEmpty() || colon == 0)
        return failWith(error, QStringLiteral("The URL names no host: ") + url);
    int port = tls ? 443 : 80;
    if (colon > 0) {
        bool ok = false;
        port = host.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return failWith(error, QStringLiteral("The URL names no usable port: ") + url);
    }
    record.Url = url;
    record.Host = host;
    record.Port = qint16(quint16(port));
    record.RequestPath = encodeTarget(url.mid(s));
    // Through a proxy an https page goes through a tunnel: the path alone.
    if (record.UseProxy && !tls) record.RequestPath = kScheme + host + record.RequestPath;
    record.FileName = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    record.Directory = url.mid(s, url.lastIndexOf(QLatin1Char('/')) - s + 1);
    return true;
}

QUrl PageUrl(const QString &url) {
    return QUrl(url.trimmed(), QUrl::TolerantMode);
}

QUrl ResolveAddress(const QUrl &base, QStringView address) {
    qsizetype from = 0, to = address.size();
    while (from < to && address[from].unicode() <= 0x20)
        ++from;
    while (to > from && address[to - 1].unicode() <= 0x20)
        --to;
    if (to - from > kMaxAddress) return {};
    QString text;
    text.reserve(to - from);
    bool inPath = true;
    for (qsizetype i = from; i < to; ++i) {
        QChar c = address[i];
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) continue;
        if (c == QLatin1Char('?') || c == QLatin1Char('#')) inPath = false;
        if (inPath && c == QLatin1Char('\\')) c = QLatin1Char('/');
        text += c;
    }
    QUrl relative(text, QUrl::TolerantMode);
    if (!relative.isValid() && !text.isEmpty()) return {};
    // "http:x.swf" on an http page is relative, as browsers read it.
    if (relative.scheme() == base.scheme() && relative.authority().isEmpty() &&
        !text.contains(QLatin1String("//")))
        relative.setScheme(QString());
    QUrl url = base.resolved(relative);
    url.setFragment(QString());
    return isWeb(url) ? url : QUrl();
}

QString Encoded(const QUrl &url) {
    return QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded | QUrl::RemoveFragment));
}

QString Resolve(const SearchJobRecord &record, const QString &url) {
    const QUrl resolved = ResolveAddress(PageUrl(record.Url), url);
    return resolved.isEmpty() ? QString() : Encoded(resolved);
}

QString SaveName(const QUrl &url) {
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    QString name = decodeSegment(path.mid(path.lastIndexOf('/') + 1));
    if (url.hasQuery() && !knownExtension(name))
        name += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    return fileNameText(name);
}

QString SegmentName(const QByteArray &encodedSegment) {
    return fileNameText(decodeSegment(encodedSegment));
}

bool IsSwf(const QString &url) {
    return ScriptScan::EndsInSwf(url);
}

bool IsTls(const SearchJobRecord &record) {
    return record.Url.startsWith(kTlsScheme);
}

QString DialHost(const SearchJobRecord &record) {
    const int colon = int(record.Host.indexOf(QLatin1Char(':')));
    return colon < 0 ? record.Host : record.Host.left(colon);
}

QByteArray RequestText(const SearchJobRecord &record) {
    QByteArray text;
    text += "GET " + record.RequestPath.toLatin1() + " HTTP/1.1\r\n";
    text += "Accept: */*\r\n";
    // The answer is decoded whatever coding of these it uses.
    text += "Accept-Encoding: gzip, deflate, br\r\n";
    text += "User-Agent: MoorQuill1.0\r\n";
    text +=
        "Host: " + HttpExchange::HostValue(DialHost(record), record.portNumber(), IsTls(record)) +
        "\r\n";
    text += "Connection: close\r\n";
    text += "\r\n";
    return text;
}

} // namespace SearchUrl
