#include "browser/HandOffJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <cmath>

namespace {

QByteArray compact(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// An optional string member: absent is "", anything but a string is refused.
bool optionalString(const QJsonObject &object, const QString &key, QString *out, QString *reason) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) return true;
    if (!value.isString()) {
        *reason = QStringLiteral("\"%1\" is not a string").arg(key);
        return false;
    }
    *out = value.toString();
    return true;
}

bool readLinks(const QJsonObject &object, QVector<HandOffLink> *links, QString *reason) {
    const QJsonValue value = object.value(QStringLiteral("links"));
    if (value.isUndefined()) return true;
    if (!value.isArray()) {
        *reason = QStringLiteral("\"links\" is not a list");
        return false;
    }
    const QJsonArray array = value.toArray();
    links->reserve(array.size());
    for (const QJsonValue &entry : array) {
        const QJsonObject link = entry.toObject();
        if (!entry.isObject() || !link.value(QStringLiteral("url")).isString()) {
            *reason = QStringLiteral("a link without \"url\"");
            return false;
        }
        HandOffLink item;
        item.url = link.value(QStringLiteral("url")).toString();
        if (!optionalString(link, QStringLiteral("text"), &item.text, reason)) return false;
        links->append(item);
    }
    return true;
}

bool readHandOff(const QJsonObject &object, HandOffMessage *out, QString *reason) {
    if (!object.value(QStringLiteral("text")).isString()) {
        *reason = QStringLiteral("a hand-off without \"text\"");
        return false;
    }
    out->text = object.value(QStringLiteral("text")).toString();
    return readLinks(object, &out->links, reason) &&
           optionalString(object, QStringLiteral("cookies"), &out->cookies, reason) &&
           optionalString(object, QStringLiteral("userAgent"), &out->userAgent, reason);
}

// A required whole number in [1, max].
bool positiveInteger(const QJsonObject &object, const QString &key, double max, qint64 *out,
                     QString *reason) {
    const QJsonValue value = object.value(key);
    const double number = value.toDouble(0);
    if (!value.isDouble() || number < 1 || number > max || std::floor(number) != number) {
        *reason = QStringLiteral("\"%1\" is not a whole number from 1 to %2")
                      .arg(key, QString::number(max, 'f', 0));
        return false;
    }
    *out = qint64(number);
    return true;
}

// A string member of at most `limit` characters; `required` refuses its absence.
bool boundedString(const QJsonObject &object, const QString &key, int limit, bool required,
                   QString *out, QString *reason) {
    if (required && !object.value(key).isString()) {
        *reason = QStringLiteral("\"%1\" is missing or not a string").arg(key);
        return false;
    }
    if (!optionalString(object, key, out, reason)) return false;
    if (out->size() <= limit) return true;
    *reason = QStringLiteral("\"%1\" is longer than %2 characters").arg(key).arg(limit);
    out->clear();
    return false;
}

// A browser's name: a few lower-case letters, digits and dashes.
bool browserName(const QJsonObject &object, QString *out, QString *reason) {
    if (!boundedString(object, QStringLiteral("browser"), HandOffJson::MaxNameChars, false, out,
                       reason))
        return false;
    for (const QChar c : *out)
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || c == u'-')) {
            *reason = QStringLiteral("\"browser\" is not a browser's name");
            return false;
        }
    return true;
}

bool readElement(const QJsonValue &entry, PageElement *element, QString *reason) {
    if (!entry.isObject()) {
        *reason = QStringLiteral("an element that is not an object");
        return false;
    }
    const QJsonObject object = entry.toObject();
    const int text = HandOffJson::MaxTextChars;
    return boundedString(object, QStringLiteral("tagName"), HandOffJson::MaxTagChars, true,
                         &element->tagName, reason) &&
           boundedString(object, QStringLiteral("movie"), text, false, &element->movie, reason) &&
           boundedString(object, QStringLiteral("src"), text, false, &element->src, reason) &&
           boundedString(object, QStringLiteral("outerHTML"), text, false, &element->outerHtml,
                         reason);
}

// A scanned page: "found" (default true), "url" and "elements".
bool readPage(const QJsonObject &object, WireMessage *out, QString *reason) {
    const QJsonValue found = object.value(QStringLiteral("found"));
    if (!found.isUndefined() && !found.isBool()) {
        *reason = QStringLiteral("\"found\" is not true or false");
        return false;
    }
    out->found = found.toBool(true);
    if (!out->found) return true;
    if (!boundedString(object, QStringLiteral("url"), HandOffJson::MaxTextChars, true,
                       &out->page.documentUrl, reason))
        return false;
    const QJsonValue elements = object.value(QStringLiteral("elements"));
    if (!elements.isArray()) {
        *reason = QStringLiteral("\"elements\" is missing or not a list");
        return false;
    }
    const QJsonArray array = elements.toArray();
    if (array.size() > HandOffJson::MaxElements) {
        *reason = QStringLiteral("more than %1 elements").arg(HandOffJson::MaxElements);
        return false;
    }
    out->page.elements.resize(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        if (!readElement(array.at(i), &out->page.elements[i], reason)) return false;
    return true;
}

// JSON numbers are doubles: ids stay below 2^53, where every integer is exact.
constexpr double kMaxId = 9007199254740991.0;

bool readScanMessage(const QJsonObject &object, WireMessage *out, QString *reason) {
    const QString &type = out->type;
    if (type == QLatin1String("register"))
        return positiveInteger(object, QStringLiteral("pid"), 2147483647.0, &out->pid, reason) &&
               browserName(object, &out->browser, reason);
    if (type == QLatin1String("scan"))
        return positiveInteger(object, QStringLiteral("id"), kMaxId, &out->id, reason) &&
               boundedString(object, QStringLiteral("title"), HandOffJson::MaxTextChars, true,
                             &out->title, reason);
    if (type == QLatin1String("scanresult"))
        return positiveInteger(object, QStringLiteral("id"), kMaxId, &out->id, reason) &&
               readPage(object, out, reason);
    // "scanpage"
    if (!browserName(object, &out->page.browser, reason) || !readPage(object, out, reason))
        return false;
    out->browser = out->page.browser;
    return true;
}

QJsonObject pageObject(const PageScanResult &page) {
    QJsonArray elements;
    for (const PageElement &element : page.elements)
        elements.append(QJsonObject{{QStringLiteral("tagName"), element.tagName},
                                    {QStringLiteral("movie"), element.movie},
                                    {QStringLiteral("src"), element.src},
                                    {QStringLiteral("outerHTML"), element.outerHtml}});
    return QJsonObject{{QStringLiteral("url"), page.documentUrl},
                       {QStringLiteral("elements"), elements}};
}

} // namespace

bool HandOffJson::read(const QByteArray &bytes, WireMessage *out, QString *reason) {
    QString ignored;
    if (!reason) reason = &ignored;
    *out = WireMessage();
    if (readInto(bytes, out, reason)) return true;
    *out = WireMessage(); // nothing of a refused message goes further
    return false;
}

bool HandOffJson::readInto(const QByteArray &bytes, WireMessage *out, QString *reason) {
    if (bytes.size() > MaxBytes) {
        *reason = QStringLiteral("message of %1 bytes is over the limit").arg(bytes.size());
        return false;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8(bytes); // the decoder works when converted
    Q_UNUSED(decoded)
    if (utf8.hasError()) {
        *reason = QStringLiteral("message is not UTF-8");
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *reason = error.error != QJsonParseError::NoError
                      ? QStringLiteral("invalid JSON: ") + error.errorString()
                      : QStringLiteral("message is not a JSON object");
        return false;
    }
    const QJsonObject object = document.object();
    const QJsonValue type = object.value(QStringLiteral("type"));
    if (!type.isString()) {
        *reason = QStringLiteral("message without \"type\"");
        return false;
    }
    out->type = type.toString();
    if (out->type == QLatin1String("handoff")) return readHandOff(object, &out->handOff, reason);
    if (out->type == QLatin1String("error"))
        return optionalString(object, QStringLiteral("message"), &out->message, reason);
    for (const char *bare : {"show", "ok", "listen"})
        if (out->type == QLatin1String(bare)) return true;
    for (const char *scan : {"register", "scan", "scanresult", "scanpage"})
        if (out->type == QLatin1String(scan)) return readScanMessage(object, out, reason);
    *reason = QStringLiteral("unknown message type \"%1\"").arg(out->type.left(40));
    return false;
}

QByteArray HandOffJson::write(const HandOffMessage &message) {
    QJsonArray links;
    for (const HandOffLink &link : message.links)
        links.append(
            QJsonObject{{QStringLiteral("url"), link.url}, {QStringLiteral("text"), link.text}});
    return compact(QJsonObject{{QStringLiteral("type"), QStringLiteral("handoff")},
                               {QStringLiteral("text"), message.text},
                               {QStringLiteral("links"), links},
                               {QStringLiteral("cookies"), message.cookies},
                               {QStringLiteral("userAgent"), message.userAgent}});
}

QByteArray HandOffJson::show() {
    return compact(QJsonObject{{QStringLiteral("type"), QStringLiteral("show")}});
}

QByteArray HandOffJson::ok() {
    return compact(QJsonObject{{QStringLiteral("type"), QStringLiteral("ok")}});
}

QByteArray HandOffJson::error(const QString &message) {
    return compact(QJsonObject{{QStringLiteral("type"), QStringLiteral("error")},
                               {QStringLiteral("message"), message}});
}

QByteArray HandOffJson::registerPort(qint64 pid, const QString &browser) {
    return compact(QJsonObject{{QStringLiteral("type"), QStringLiteral("register")},
                               {QStringLiteral("pid"), pid},
                               {QStringLiteral("browser"), browser}});
}

QByteArray HandOffJson::scanRequest(qint64 id, const QString &title) {
    return compact(QJsonObject{{QStringLiteral("type"), QStringLiteral("scan")},
                               {QStringLiteral("id"), id},
                               {QStringLiteral("title"), title}});
}

QByteArray HandOffJson::scanResult(qint64 id, const std::optional<PageScanResult> &page) {
    QJsonObject object = page ? pageObject(*page) : QJsonObject{{QStringLiteral("found"), false}};
    object.insert(QStringLiteral("type"), QStringLiteral("scanresult"));
    object.insert(QStringLiteral("id"), id);
    return compact(object);
}

QByteArray HandOffJson::scanPage(const PageScanResult &page) {
    QJsonObject object = pageObject(page);
    object.insert(QStringLiteral("type"), QStringLiteral("scanpage"));
    object.insert(QStringLiteral("browser"), page.browser);
    return compact(object);
}
