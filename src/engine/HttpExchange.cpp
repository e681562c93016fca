#include "engine/HttpExchange.h"

#include "jobs/DownJobRecord.h"

namespace {
const QString kHttp = QStringLiteral("http://");

// The text of a header line value after `name`, up to the next CR LF, trimmed.
QString headerValue(const QString &header, const QString &name, bool *found) {
    const int at = header.indexOf(name, 0, Qt::CaseInsensitive);
    *found = at >= 0;
    if (at < 0) return {};
    const int from = at + int(name.size());
    int end = header.indexOf(QLatin1String("\r\n"), from);
    if (end < 0) end = int(header.size());
    return header.mid(from, end - from).trimmed();
}
} // namespace

namespace HttpExchange {

bool ParseUrl(DownJobRecord &record) {
    const QString url = record.Url.trimmed();
    if (!url.contains(kHttp, Qt::CaseInsensitive)) return false;
    const int slash = int(url.indexOf(QLatin1Char('/'), 7));
    if (slash < 0) return false;
    const QString hostPort = url.left(slash);
    const int colon = int(hostPort.indexOf(QLatin1Char(':'), 7));
    QString host;
    QString path;
    qint64 port = 80;
    if (colon >= 0) {
        port = LeadingNumber(hostPort.mid(colon + 1));
        host = hostPort.mid(7, colon - 7);
        path = url.mid(colon + 1 + int(QString::number(port).size()));
    } else {
        host = hostPort.mid(7);
        path = url.mid(slash);
    }
    if (host.isEmpty() || port < 1 || port > 65535) return false;
    record.Host = host;
    record.Port = qint16(quint16(port));
    record.RequestPath = record.UseProxy ? kHttp + host + path : path;
    record.RemoteName = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    record.FileName = record.RemoteName;
    return true;
}

QByteArray RequestText(const DownJobRecord &record, qint32 pos, bool withAcceptEncoding) {
    QByteArray text;
    text.reserve(256);
    text += "GET " + record.RequestPath.toLatin1() + " HTTP/1.1\r\n";
    text += "Accept: */*\r\n";
    if (withAcceptEncoding) text += "Accept -Encoding: gzip , deflate\r\n";
    text += "User-Agent: " + record.UserAgent.toLatin1() + "\r\n";
    text += "Host: " + record.Host.toLatin1() + "\r\n";
    if (pos > 0) text += "Range: bytes=" + QByteArray::number(pos) + "-\r\n";
    text += "Connection: close\r\n\r\n";
    return text;
}

bool IsBadRequest(const QString &header) {
    return header.startsWith(QLatin1String("HTTP/1.1 400")) ||
           header.startsWith(QLatin1String("HTTP/1.0 400"));
}

bool IsRangeNotSatisfiable(const QString &header) {
    return header.startsWith(QLatin1String("HTTP/1.1 416")) ||
           header.startsWith(QLatin1String("HTTP/1.0 416"));
}

int HeaderLength(const QByteArray &block) {
    const int at = int(block.indexOf("\r\n\r\n"));
    return at < 0 ? -1 : at + 4;
}

QString GetHeaderPart(const QByteArray &block) {
    const int length = HeaderLength(block);
    return length < 0 ? QString() : QString::fromLatin1(block.constData(), length);
}

QString GetStatusCode(const QString &header) {
    auto has = [&header](const char *text) { return header.contains(QLatin1String(text)); };
    if (has("HTTP/1.1 200 OK") || has("HTTP/1.0 200 OK")) return QStringLiteral("200");
    if (has("HTTP/1.1 206") || has("HTTP/1.0 206 ")) return QStringLiteral("206");
    if (has("HTTP/1.1 404") || has("HTTP/1.0 404 ")) return QStringLiteral("404");
    if (has("HTTP/1.1 30") || has("HTTP/1.0 30")) return QStringLiteral("30");
    return {};
}

QString GetContentLength(const QString &header) {
    bool found = false;
    const QString value = headerValue(header, QStringLiteral("Content-Length:"), &found);
    return found ? value : QStringLiteral("0");
}

qint64 LeadingNumber(const QString &text) {
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + (c.unicode() - '0');
        if (value > (qint64(1) << 40))
            break; // far beyond any size or port; stop before overflowing
    }
    return value;
}

QString GetLocation(const QString &header) {
    bool found = false;
    return headerValue(header, QStringLiteral("Location:"), &found);
}

QString ResolveLocation(const QString &base, const QString &location) {
    if (location.isEmpty() || location.startsWith(kHttp, Qt::CaseInsensitive)) return location;
    if (location.contains(QLatin1String("://")))
        return location; // another scheme: left for ParseUrl to refuse
    const QString url = base.trimmed();
    const int schemeEnd = int(url.indexOf(kHttp, 0, Qt::CaseInsensitive));
    if (schemeEnd < 0) return location;
    const int hostFrom = schemeEnd + 7;
    if (location.startsWith(QLatin1String("//"))) return QStringLiteral("http:") + location;
    int pathFrom = int(url.indexOf(QLatin1Char('/'), hostFrom));
    if (pathFrom < 0) pathFrom = int(url.size());
    if (location.startsWith(QLatin1Char('/'))) return url.left(pathFrom) + location;
    // Relative to the folder of the base path (query and fragment dropped).
    QString path = url.mid(pathFrom);
    const int query = int(path.indexOf(QLatin1Char('?')));
    if (query >= 0) path.truncate(query);
    const int lastSlash = int(path.lastIndexOf(QLatin1Char('/')));
    const QString folder = lastSlash >= 0 ? path.left(lastSlash + 1) : QStringLiteral("/");
    return url.left(pathFrom) + folder + location;
}

} // namespace HttpExchange
