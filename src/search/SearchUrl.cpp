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
constexpr int kHostStart = 7; // just behind "http://"

bool failWith(QString *error, const QString &text) {
    if (error) *error = text;
    return false;
}
} // namespace

bool ParseSearchUrl(SearchJobRecord &record, QString *error) {
    QString url = record.Url;
    if (url.indexOf(QLatin1Char('/'), kHostStart) < 0) url += QLatin1Char('/');
    if (!url.contains(kScheme))
        return failWith(error, QStringLiteral("The URL does not begin with http://: ") + url);
    const int s = int(url.indexOf(QLatin1Char('/'), kHostStart));
    const QString host = url.mid(kHostStart, s - kHostStart);
    const int colon = int(host.indexOf(QLatin1Char(':')));
    if (host.isEmpty() || colon == 0)
        return failWith(error, QStringLiteral("The URL names no host: ") + url);
    int port = 80;
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
    if (record.UseProxy) record.RequestPath = kScheme + host + record.RequestPath;
    record.FileName = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    record.Directory = url.mid(s, url.lastIndexOf(QLatin1Char('/')) - s + 1);
    return true;
}

QString Resolve(const SearchJobRecord &record, const QString &url) {
    if (url.left(7).toLower() == kScheme) return url;
    if (url.startsWith(QLatin1Char('/'))) return kScheme + record.Host + url;
    return kScheme + record.Host + record.Directory + url;
}

QString DialHost(const SearchJobRecord &record) {
    const int colon = int(record.Host.indexOf(QLatin1Char(':')));
    return colon < 0 ? record.Host : record.Host.left(colon);
}

QByteArray RequestText(const SearchJobRecord &record) {
    QByteArray text;
    text += "GET " + record.RequestPath.toLatin1() + " HTTP/1.1\r\n";
    text += "Accept: */*\r\n";
    text += "Accept -Encoding: gzip , deflate\r\n";
    text += "User-Agent: MoorQuill1.0\r\n";
    text += "Host: " + record.Host.toLatin1() + "\r\n";
    text += "Connection: close\r\n";
    text += "\r\n";
    return text;
}

} // namespace SearchUrl
