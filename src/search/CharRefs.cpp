#include "search/CharRefs.h"

#include "platform/Cp1252.h"

namespace {

// The names of U+00A0..U+00FF in order; each may be written without ";".
const char *const kLatin1[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct Named {
    const char *name;
    char32_t code;
    bool bare; // also recognised without ";"
};

const Named kOther[] = {
    {"amp", '&', true},        {"AMP", '&', true},        {"lt", '<', true},
    {"LT", '<', true},         {"gt", '>', true},         {"GT", '>', true},
    {"quot", '"', true},       {"QUOT", '"', true},       {"COPY", 0xA9, true},
    {"REG", 0xAE, true},       {"apos", '\'', false},     {"OElig", 0x152, false},
    {"oelig", 0x153, false},   {"Scaron", 0x160, false},  {"scaron", 0x161, false},
    {"Yuml", 0x178, false},    {"fnof", 0x192, false},    {"circ", 0x2C6, false},
    {"tilde", 0x2DC, false},   {"ensp", 0x2002, false},   {"emsp", 0x2003, false},
    {"thinsp", 0x2009, false}, {"zwnj", 0x200C, false},   {"zwj", 0x200D, false},
    {"lrm", 0x200E, false},    {"rlm", 0x200F, false},    {"ndash", 0x2013, false},
    {"mdash", 0x2014, false},  {"lsquo", 0x2018, false},  {"rsquo", 0x2019, false},
    {"sbquo", 0x201A, false},  {"ldquo", 0x201C, false},  {"rdquo", 0x201D, false},
    {"bdquo", 0x201E, false},  {"dagger", 0x2020, false}, {"Dagger", 0x2021, false},
    {"bull", 0x2022, false},   {"hellip", 0x2026, false}, {"permil", 0x2030, false},
    {"prime", 0x2032, false},  {"Prime", 0x2033, false},  {"lsaquo", 0x2039, false},
    {"rsaquo", 0x203A, false}, {"oline", 0x203E, false},  {"frasl", 0x2044, false},
    {"euro", 0x20AC, false},   {"trade", 0x2122, false}};

bool isAlnum(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

bool equals(QStringView name, const char *ascii) {
    qsizetype i = 0;
    for (; ascii[i]; ++i)
        if (i >= name.size() || name[i].unicode() != char16_t(ascii[i])) return false;
    return i == name.size();
}

// The code point of a name, 0 when unknown; `bare` tells whether it may
// stand without ";".
char32_t lookup(QStringView name, bool *bare) {
    for (int i = 0; i < 96; ++i)
        if (equals(name, kLatin1[i])) {
            *bare = true;
            return char32_t(0xA0 + i);
        }
    for (const Named &n : kOther)
        if (equals(name, n.name)) {
            *bare = n.bare;
            return n.code;
        }
    return 0;
}

void appendCode(QString &out, char32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code >= 0x80 && code <= 0x9F) { // read as Windows-1252, as browsers do
        out += Cp1252::decode(QByteArray(1, char(code)));
        return;
    }
    const char32_t one[1] = {code};
    out += QString::fromUcs4(one, 1);
}

// A numeric reference at text[at] == '&', text[at + 1] == '#'; returns the
// index behind it, or `at` when it is none.
qsizetype numeric(QStringView text, qsizetype at, QString &out) {
    qsizetype i = at + 2;
    const bool hex =
        i < text.size() && (text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'));
    if (hex) ++i;
    const qsizetype digits = i;
    char32_t code = 0;
    for (; i < text.size(); ++i) {
        const int d =
            hex ? hexValue(text[i])
                : (text[i].isDigit() && text[i].unicode() < 0x80 ? text[i].unicode() - '0' : -1);
        if (d < 0) break;
        if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + char32_t(d);
    }
    if (i == digits) return at;
    if (i < text.size() && text[i] == QLatin1Char(';')) ++i;
    appendCode(out, code);
    return i;
}

// A named reference at text[at] == '&'; returns the index behind it, or
// `at` when it is none.
qsizetype named(QStringView text, qsizetype at, QString &out) {
    qsizetype end = at + 1;
    while (end < text.size() && end - at <= 8 && isAlnum(text[end]))
        ++end;
    const QStringView name = text.mid(at + 1, end - at - 1);
    if (name.isEmpty() || (end < text.size() && isAlnum(text[end]))) return at;
    bool bare = false;
    const char32_t code = lookup(name, &bare);
    if (code == 0) return at;
    const bool semicolon = end < text.size() && text[end] == QLatin1Char(';');
    if (!semicolon && (!bare || (end < text.size() && text[end] == QLatin1Char('=')))) return at;
    appendCode(out, code);
    return semicolon ? end + 1 : end;
}

} // namespace

namespace CharRefs {

QString DecodeAttribute(QStringView value) {
    qsizetype amp = value.indexOf(QLatin1Char('&'));
    if (amp < 0) return value.toString();
    QString out;
    out.reserve(value.size());
    qsizetype from = 0;
    while (amp >= 0) {
        out += value.mid(from, amp - from);
        qsizetype behind = amp;
        if (amp + 1 < value.size())
            behind = value[amp + 1] == QLatin1Char('#') ? numeric(value, amp, out)
                                                        : named(value, amp, out);
        if (behind == amp) {
            out += QLatin1Char('&');
            behind = amp + 1;
        }
        from = behind;
        amp = value.indexOf(QLatin1Char('&'), from);
    }
    out += value.mid(from);
    return out;
}

} // namespace CharRefs
