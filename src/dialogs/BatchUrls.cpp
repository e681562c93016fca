#include "dialogs/BatchUrls.h"

namespace BatchUrls {

const QString kNeedNumbers = QStringLiteral("Please input a number in both From: and To: !");
const QString kNumbersTooLarge =
    QStringLiteral("From: and To: take numbers from 0 to %1 only !").arg(kMaxBound);
const QString kNeedLetters = QStringLiteral("Please input a letter in both From: and To: !");

namespace {
bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// A bound box's value; false when it is empty, not all digits or too large.
bool bound(const QString &text, int *value, QString *message) {
    if (text.isEmpty()) {
        *message = kNeedNumbers;
        return false;
    }
    for (QChar c : text)
        if (!acceptsDigit(c)) {
            *message = kNeedNumbers;
            return false;
        }
    // Leading zeros are allowed: "007" is 7.
    int start = 0;
    while (start < text.size() - 1 && text[start] == QLatin1Char('0'))
        ++start;
    const QString digits = text.mid(start);
    if (digits.size() > 5 || digits.toInt() > kMaxBound) {
        *message = kNumbersTooLarge;
        return false;
    }
    *value = digits.toInt();
    return true;
}
} // namespace

bool acceptsDigit(QChar typed) {
    return typed >= QLatin1Char('0') && typed <= QLatin1Char('9');
}

QString typedWidth(const QString &current, QChar typed) {
    return acceptsDigit(typed) ? QString(typed) : current;
}

QString typedLetter(const QString &current, QChar typed) {
    return isAsciiLetter(typed) ? QString(typed.toLower()) : current;
}

bool canGenerate(const QString &pattern) {
    return pattern.contains(QLatin1Char('*'));
}

Result numbers(const QString &pattern, const QString &from, const QString &to,
               const QString &width) {
    Result r;
    int first = 0, last = 0;
    if (!bound(from, &first, &r.message) || !bound(to, &last, &r.message)) return r;
    const int w = width.size() == 1 && acceptsDigit(width[0]) ? width[0].digitValue() : 0;
    if (first > last) return r;
    r.urls.reserve(last - first + 1);
    for (int n = first; n <= last; ++n) {
        const QString value = QStringLiteral("%1").arg(n, w, 10, QLatin1Char('0'));
        r.urls.append(QString(pattern).replace(QLatin1Char('*'), value));
    }
    return r;
}

Result letters(const QString &pattern, const QString &from, const QString &to) {
    Result r;
    if (from.size() != 1 || to.size() != 1 || !isAsciiLetter(from[0]) || !isAsciiLetter(to[0])) {
        r.message = kNeedLetters;
        return r;
    }
    // The boxes hold lower case; a capital given any other way counts as such.
    const ushort first = from[0].toLower().unicode(), last = to[0].toLower().unicode();
    for (ushort c = first; c <= last; ++c)
        r.urls.append(QString(pattern).replace(QLatin1Char('*'), QString(QChar(c))));
    return r;
}

} // namespace BatchUrls
