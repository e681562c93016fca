#include "browser/HandOffJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

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
    if (out->type == QLatin1String("show") || out->type == QLatin1String("ok")) return true;
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
