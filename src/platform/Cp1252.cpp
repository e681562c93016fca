#include "platform/Cp1252.h"

namespace {
// Unicode code points of the bytes 0x80..0x9F; 0 marks a byte without a character.
const char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QByteArray Cp1252::encode(const QString &text) {
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const bool undefinedC1 = u >= 0x80 && u < 0xA0 && kHigh[u - 0x80] == 0;
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF) || undefinedC1) {
            out.append(char(u));
            continue;
        }
        // A character beyond the 16-bit range is one character: one '?'.
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        char byte = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] == u) {
                byte = char(0x80 + k);
                break;
            }
        }
        out.append(byte);
    }
    return out;
}

QString Cp1252::decode(const QByteArray &bytes) {
    // Latin-1 but for 0x80..0x9F; undefined bytes there map to the C1
    // control of the same value.
    QString out = QString::fromLatin1(bytes);
    QChar *d = out.data();
    for (qsizetype i = 0, n = out.size(); i < n; ++i) {
        const char16_t u = d[i].unicode();
        if (u >= 0x80 && u < 0xA0 && kHigh[u - 0x80] != 0) d[i] = QChar(kHigh[u - 0x80]);
    }
    return out;
}
