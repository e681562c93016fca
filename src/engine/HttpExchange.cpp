#include "engine/HttpExchange.h"

#include "jobs/DownJobRecord.h"

namespace {
const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");

// The value of the first header line that begins with `name` (the status
// line excluded), up to its CR LF, trimmed. A name inside another field's
// name or value ("Content-Location:", "X-Debug: Location: x") is not taken.
QString headerValue(const QString &header, const QString &name, bool *found) {
    int at = -1;
    for (int from = 0;;) {
        const int eol = int(header.indexOf(QLatin1String("\r\n"), from));
        if (eol < 0) break;
        if (QStringView(header).mid(eol + 2).startsWith(name, Qt::CaseInsensitive)) {
            at = eol + 2;
            break;
        }
        from = eol + 2;
    }
    *found = at >= 0;
    if (at < 0) return {};
    const int from = at + int(name.size());
    int end = header.indexOf(QLatin1String("\r\n"), from);
    if (end < 0) end = int(header.size());
    return header.mid(from, end - from).trimmed();
}
} // namespace

namespace HttpExchange {

bool IsHttps(const QString &url) {
    return url.trimmed().startsWith(kHttps, Qt::CaseInsensitive);
}

bool ParseUrl(DownJobRecord &record) {
    const QString url = record.Url.trimmed();
    const bool tls = IsHttps(url);
    if (!tls && !url.contains(kHttp, Qt::CaseInsensitive)) return false;
    const int hostFrom = tls ? 8 : 7;
    const int slash = int(url.indexOf(QLatin1Char('/'), hostFrom));
    if (slash < 0) return false;
    const QString hostPort = url.left(slash);
    const int colon = int(hostPort.indexOf(QLatin1Char(':'), hostFrom));
    QString host;
    qint64 port = tls ? 443 : 80;
    if (colon >= 0) {
        // The port is all of the text up to the "/": digits only, leading
        // zeros read as browsers read them ("08080" is 8080).
        const QString written = hostPort.mid(colon + 1);
        int zeros = 0;
        while (zeros + 1 < written.size() && written[zeros] == QLatin1Char('0'))
            ++zeros;
        const QString digits = written.mid(zeros);
        if (digits.isEmpty() || digits.size() > 5) return false;
        for (const QChar c : digits)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        port = digits.toInt();
        host = hostPort.mid(hostFrom, colon - hostFrom);
    } else {
        host = hostPort.mid(hostFrom);
    }
    const QString path = url.mid(slash);
    if (host.isEmpty() || port < 1 || port > 65535) return false;
    record.Host = host;
    record.Port = qint16(quint16(port));
    // Through a proxy an https request goes through a tunnel: origin form.
    record.RequestPath =
        record.UseProxy && !tls
            ? kHttp + QString::fromLatin1(HostValue(host, quint16(port), false)) + path
            : path;
    record.RemoteName = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    record.FileName = record.RemoteName;
    return true;
}

QByteArray HostValue(const QString &host, quint16 port, bool tls) {
    const bool v6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    const QByteArray name = v6 ? '[' + host.toLatin1() + ']' : host.toLatin1();
    return port == (tls ? 443 : 80) ? name : name + ':' + QByteArray::number(port);
}

QByteArray RequestText(const DownJobRecord &record, qint32 pos, const QString &ifRange) {
    QByteArray text;
    text.reserve(256);
    text += "GET " + record.RequestPath.toLatin1() + " HTTP/1.1\r\n";
    text += "Accept: */*\r\n";
    text += "User-Agent: " + record.UserAgent.toLatin1() + "\r\n";
    if (!record.Cookies.isEmpty()) text += "Cookie: " + record.Cookies.toLatin1() + "\r\n";
    text += "Host: " + HostValue(record.Host, record.portNumber(), IsHttps(record.Url)) + "\r\n";
    if (pos > 0) text += "Range: bytes=" + QByteArray::number(pos) + "-\r\n";
    if (pos > 0 && !ifRange.isEmpty()) text += "If-Range: " + ifRange.toLatin1() + "\r\n";
    text += "Connection: close\r\n\r\n";
    return text;
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

QString StatusLine(const QString &header) {
    const int eol = int(header.indexOf(QLatin1String("\r\n")));
    return eol < 0 ? header : header.left(eol);
}

int StatusNumber(const QString &header) {
    const QString line = StatusLine(header);
    if (!line.startsWith(QLatin1String("HTTP/"))) return 0;
    const int space = int(line.indexOf(QLatin1Char(' ')));
    if (space < 0 || line.size() < space + 4) return 0;
    int code = 0;
    for (int i = space + 1; i <= space + 3; ++i) {
        const QChar c = line.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
        code = code * 10 + (c.unicode() - '0');
    }
    return line.size() == space + 4 || line.at(space + 4) == QLatin1Char(' ') ? code : 0;
}

bool HasField(const QString &header, const QString &name) {
    bool found = false;
    headerValue(header, name, &found);
    return found;
}

QString FieldValue(const QString &header, const QString &name) {
    bool found = false;
    return headerValue(header, name, &found);
}

QString GetStatusCode(const QString &header) {
    // Only the status line counts: a field may quote another status line.
    const QString line = StatusLine(header);
    auto has = [&line](const char *text) { return line.startsWith(QLatin1String(text)); };
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
    if (location.isEmpty() || location.contains(QLatin1String("://")))
        return location; // absolute; other schemes are left for ParseUrl to refuse
    const QString url = base.trimmed();
    const QString &scheme = IsHttps(url) ? kHttps : kHttp;
    const int schemeEnd = int(url.indexOf(scheme, 0, Qt::CaseInsensitive));
    if (schemeEnd < 0) return location;
    const int hostFrom = schemeEnd + int(scheme.size());
    if (location.startsWith(QLatin1String("//"))) return scheme.left(scheme.size() - 2) + location;
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
