#include "search/PageText.h"

#include <QStringDecoder>

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252 (0: kept as they are).
const char16_t kC1[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                          0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString windows1252(const QByteArray &bytes) {
    QString text = QString::fromLatin1(bytes);
    QChar *d = text.data();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t u = d[i].unicode();
        if (u >= 0x80 && u < 0xA0 && kC1[u - 0x80]) d[i] = QChar(kC1[u - 0x80]);
    }
    return text;
}

bool isWindows1252(const QByteArray &name) {
    const QByteArray n = name.trimmed().toLower();
    return n == "windows-1252" || n == "cp1252" || n == "iso-8859-1" || n == "latin1" ||
           n == "iso_8859-1" || n == "us-ascii" || n == "ascii";
}

} // namespace

namespace PageText {

QString Decode(const QByteArray &bytes, const QByteArray &charset) {
    if (!charset.isEmpty()) {
        if (isWindows1252(charset)) return windows1252(bytes);
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
    return utf8.hasError() ? windows1252(bytes) : text;
}

} // namespace PageText
