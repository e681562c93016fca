#include "base/NumberText.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <string>

double NumberText::leadingValue(const QString &text, bool *found) {
    std::string s;
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            s += c.unicode() < 0x80 ? char(c.unicode()) : '\x7f';
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
        ++digits;
    if (i < s.size() && s[i] == '.')
        for (++i; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
            ++digits;
    if (found) *found = digits > 0;
    if (digits == 0) return 0;
    size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const size_t expStart = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            ++j;
        if (j > expStart) {
            s[i] = 'e';
            end = j;
        }
    }
    return std::strtod(s.substr(0, end).c_str(), nullptr);
}

qint16 NumberText::roundToInteger(double value) {
    if (std::isnan(value)) return 0;
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded <= -32768.0) return -32768;
    if (rounded >= 32767.0) return 32767;
    return qint16(rounded);
}

qint16 NumberText::integerValue(const QString &text) {
    return roundToInteger(leadingValue(text));
}
