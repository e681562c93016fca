#include "search/PageText.h"

#include "platform/Cp1252.h"

#include <QStringDecoder>

namespace {

bool isWindows1252(const QByteArray &name) {
    const QByteArray n = name.trimmed().toLower();
    return n == "windows-1252" || n == "cp1252" || n == "iso-8859-1" || n == "latin1" ||
           n == "iso_8859-1" || n == "us-ascii" || n == "ascii";
}

} // namespace

namespace PageText {

QString Decode(const QByteArray &bytes, const QByteArray &charset) {
    if (!charset.isEmpty()) {
        if (isWindows1252(charset)) return Cp1252::decode(bytes);
        QStringDecoder named(charset.trimmed().constData());
        if (named.isValid()) return named(bytes);
    }
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        if (*bom != QStringConverter::Utf8 || bytes.startsWith("\xEF\xBB\xBF")) {
            QStringDecoder decoder(*bom);
            return decoder(bytes);
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? Cp1252::decode(bytes) : text;
}

} // namespace PageText
