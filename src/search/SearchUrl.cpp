#include "search/SearchUrl.h"

#include "search/SearchJobRecord.h"

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
    record.RequestPath = url.mid(s);
    // Through a proxy an https page goes through a tunnel: the path alone.
    if (record.UseProxy && !tls) record.RequestPath = kScheme + host + record.RequestPath;
    record.FileName = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    record.Directory = url.mid(s, url.lastIndexOf(QLatin1Char('/')) - s + 1);
    return true;
}

QString Resolve(const SearchJobRecord &record, const QString &url) {
    if (url.left(7).toLower() == kScheme || url.left(8).toLower() == kTlsScheme) return url;
    const QString &scheme = IsTls(record) ? kTlsScheme : kScheme;
    if (url.startsWith(QLatin1Char('/'))) return scheme + record.Host + url;
    return scheme + record.Host + record.Directory + url;
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
    // TLS servers are today's servers, which refuse a header name with a
    // space: an https:// request leaves that line out.
    if (!IsTls(record)) text += "Accept -Encoding: gzip , deflate\r\n";
    text += "User-Agent: MoorQuill1.0\r\n";
    text += "Host: " + record.Host.toLatin1() + "\r\n";
    text += "Connection: close\r\n";
    text += "\r\n";
    return text;
}

} // namespace SearchUrl
