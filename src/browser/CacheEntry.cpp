#include "browser/CacheEntry.h"

#include <QList>

void readResponseHead(const QByteArray &head, CacheEntry &entry) {
    QByteArray text = head;
    text.replace('\r', '\n').replace('\0', '\n');
    const QList<QByteArray> lines = text.split('\n');
    bool first = true;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (first) {
            first = false;
            if (!line.startsWith("HTTP/")) return;
            const QList<QByteArray> words = line.split(' ');
            bool ok = false;
            const int status = words.size() > 1 ? words[1].toInt(&ok) : 0;
            entry.status = ok ? status : 0;
            continue;
        }
        const int colon = int(line.indexOf(':'));
        if (colon <= 0) continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            const qint64 length = value.toLongLong(&ok);
            entry.contentLength = ok && length >= 0 ? length : -1;
        } else if (name == "content-encoding") {
            entry.contentEncoding = value.toLower();
        }
    }
}

bool keyNamesUrl(const QByteArray &key, const QByteArray &url, char separator) {
    if (url.isEmpty() || !key.endsWith(url)) return false;
    const qsizetype before = key.size() - url.size() - 1;
    return before < 0 || key.at(before) == separator;
}
