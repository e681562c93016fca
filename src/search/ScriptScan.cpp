#include "search/ScriptScan.h"

namespace {

// Longer strings are read past, never taken (no movie is called like that).
constexpr qsizetype kMaxString = 4096;
constexpr int kMaxCalls = 16;

bool isIdentifierChar(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c >= 0x80;
}

int hexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
    return -1;
}

// `count` hex digits at text[at] (count 0: up to "}"); -1 when there are none.
qint64 hexNumber(QStringView text, qsizetype &at, int count) {
    qint64 value = 0;
    int digits = 0;
    while (at < text.size() && (count == 0 || digits < count)) {
        const int d = hexValue(text[at].unicode());
        if (d < 0) break;
        if (value <= 0x10FFFF) value = value * 16 + d;
        ++at;
        ++digits;
    }
    return digits == 0 || (count != 0 && digits != count) ? -1 : value;
}

void appendCode(QString &out, qint64 code) {
    if (code < 0 || code > 0x10FFFF) code = 0xFFFD;
    if (code <= 0xFFFF) { // a surrogate escape pairs with the next one
        out += QChar(char16_t(code));
        return;
    }
    const char32_t one[1] = {char32_t(code)};
    out += QString::fromUcs4(one, 1);
}

// The escape behind a backslash at text[at]; returns the index behind it.
qsizetype escape(QStringView text, qsizetype at, QString &out) {
    qsizetype i = at + 1;
    if (i >= text.size()) return i;
    const char16_t c = text[i++].unicode();
    switch (c) {
    case 'n':
        out += QLatin1Char('\n');
        break;
    case 't':
        out += QLatin1Char('\t');
        break;
    case 'r':
        out += QLatin1Char('\r');
        break;
    case 'b':
        out += QLatin1Char('\b');
        break;
    case 'f':
        out += QLatin1Char('\f');
        break;
    case 'v':
        out += QLatin1Char('\v');
        break;
    case '0':
        out += QChar(0);
        break;
    case '\r':
        if (i < text.size() && text[i] == QLatin1Char('\n')) ++i;
        break;
    case '\n':
        break; // a line continued
    case 'x':
    case 'u': {
        const bool braces = c == 'u' && i < text.size() && text[i] == QLatin1Char('{');
        qsizetype j = braces ? i + 1 : i;
        const qint64 code = hexNumber(text, j, braces ? 0 : (c == 'x' ? 2 : 4));
        if (code < 0 || (braces && (j >= text.size() || text[j] != QLatin1Char('}')))) {
            out += QChar(c);
            break;
        }
        appendCode(out, code);
        i = braces ? j + 1 : j;
        break;
    }
    default:
        out += QChar(c);
    }
    return i;
}

} // namespace

bool ScriptScan::EndsInSwf(QStringView address) {
    qsizetype end = address.size();
    for (qsizetype i = 0; i < address.size(); ++i)
        if (address[i] == QLatin1Char('?') || address[i] == QLatin1Char('#')) {
            end = i;
            break;
        }
    const QStringView path = address.left(end).trimmed();
    return path.size() > 4 && path.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive) &&
           path[path.size() - 5] != QLatin1Char('/') && path[path.size() - 5] != QLatin1Char('\\');
}

bool ScriptScan::next(QString &address, qsizetype budget) {
    const qsizetype n = m_text.size();
    const QChar *d = m_text.data();
    const qsizetype stop = m_pos + qMax<qsizetype>(budget, 1);
    while (m_pos < n && m_pos < stop) {
        const char16_t c = d[m_pos].unicode();
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            ++m_pos;
        } else if (c == '"' || c == '\'' || c == '`') {
            if (string(d[m_pos], address)) return true;
        } else if (isIdentifierChar(c)) {
            identifier();
        } else if (c == '/' && m_pos + 1 < n &&
                   (d[m_pos + 1] == QLatin1Char('/') || d[m_pos + 1] == QLatin1Char('*'))) {
            const bool line = d[m_pos + 1] == QLatin1Char('/');
            const qsizetype end =
                m_text.indexOf(line ? QLatin1String("\n") : QLatin1String("*/"), m_pos + 2);
            m_pos = end < 0 ? n : end + (line ? 1 : 2);
        } else if (c == '<' && m_text.mid(m_pos).startsWith(QLatin1String("<!--"))) {
            const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_pos);
            m_pos = end < 0 ? n : end + 1;
        } else if (c == '/' && m_last != Last::Value) {
            skipRegex();
        } else {
            bracket(d[m_pos]);
            ++m_pos;
        }
    }
    return false;
}

void ScriptScan::identifier() {
    const qsizetype start = m_pos;
    while (m_pos < m_text.size() && isIdentifierChar(m_text[m_pos].unicode()))
        ++m_pos;
    const QStringView name = m_text.mid(start, m_pos - start);
    static const QLatin1String keywords[] = {
        QLatin1String("return"), QLatin1String("typeof"),    QLatin1String("case"),
        QLatin1String("do"),     QLatin1String("else"),      QLatin1String("in"),
        QLatin1String("new"),    QLatin1String("delete"),    QLatin1String("void"),
        QLatin1String("throw"),  QLatin1String("instanceof")};
    m_last = Last::Value;
    for (const QLatin1String &k : keywords)
        if (name == k) m_last = Last::Keyword;
    m_pending = Api::None;
    if (name == QLatin1String("embedSWF"))
        m_pending = Api::EmbedSwf;
    else if (name == QLatin1String("SWFObject"))
        m_pending = Api::SwfObject;
    else if (name == QLatin1String("AC_FL_RunContent"))
        m_pending = Api::RunContent;
    else if (name == QLatin1String("registerObject"))
        m_pending = Api::RegisterObject;
    else if (name == QLatin1String("useExpressInstall"))
        m_pending = Api::ExpressInstall;
    if ((name == QLatin1String("addVariable") ||
         name.contains(QLatin1String("flashvars"), Qt::CaseInsensitive)) &&
        m_flashvars < 0)
        m_flashvars = m_depth;
}

void ScriptScan::bracket(QChar ch) {
    const char16_t c = ch.unicode();
    const Api pending = m_pending;
    m_pending = Api::None;
    m_last = (c == ')' || c == ']') ? Last::Value : Last::Operator;
    if (c == '(' || c == '[' || c == '{') {
        ++m_depth;
        if (c == '(' && pending != Api::None && m_calls.size() < kMaxCalls)
            m_calls.append(Call{pending, m_depth, 0, QString()});
    } else if (c == ')' || c == ']' || c == '}') {
        if (!m_calls.isEmpty() && m_calls.last().depth == m_depth) m_calls.removeLast();
        if (m_flashvars >= 0 && m_flashvars >= m_depth) m_flashvars = -1;
        m_depth = qMax(0, m_depth - 1);
    } else if (c == ',') {
        if (!m_calls.isEmpty() && m_calls.last().depth == m_depth) ++m_calls.last().arg;
        if (m_flashvars == m_depth) m_flashvars = -1;
    } else if (c == ';') {
        if (m_flashvars >= m_depth) m_flashvars = -1;
    }
}

void ScriptScan::skipRegex() {
    bool inClass = false;
    ++m_pos;
    while (m_pos < m_text.size()) {
        const char16_t c = m_text[m_pos++].unicode();
        if (c == '\\') {
            ++m_pos;
        } else if (c == '[') {
            inClass = true;
        } else if (c == ']') {
            inClass = false;
        } else if ((c == '/' && !inClass) || c == '\n') {
            break;
        }
    }
    m_last = Last::Value;
}

// A string literal at m_pos; true when it is a movie (then in `address`).
bool ScriptScan::string(QChar quote, QString &address) {
    const qsizetype n = m_text.size();
    const QChar *d = m_text.data();
    const bool multiLine = quote == QLatin1Char('`');
    QString value;
    bool tooLong = false;
    qsizetype i = m_pos + 1;
    while (i < n && d[i] != quote && (multiLine || d[i] != QLatin1Char('\n'))) {
        if (value.size() > kMaxString) {
            tooLong = true;
            value.clear();
        }
        if (d[i] == QLatin1Char('\\')) {
            if (tooLong) {
                i += 2;
                continue;
            }
            i = escape(m_text, i, value);
        } else {
            if (!tooLong) value += d[i];
            ++i;
        }
    }
    m_pos = qMin(n, i + 1);
    m_pending = Api::None;
    m_last = Last::Value;
    return !tooLong && take(value, address);
}

bool ScriptScan::take(const QString &value, QString &address) {
    if (m_skipNext) {
        m_skipNext = false;
        return false;
    }
    bool generic = true;
    if (!m_calls.isEmpty()) {
        Call &call = m_calls.last();
        const bool direct = call.depth == m_depth;
        switch (call.api) {
        case Api::EmbedSwf:
        case Api::SwfObject:
            if (direct && call.arg == 0) {
                address = value;
                return !value.trimmed().isEmpty();
            }
            if (call.api == Api::EmbedSwf && (call.arg == 5 || call.arg == 6)) return false;
            break;
        case Api::RegisterObject:
            generic = call.arg != 2;
            break;
        case Api::ExpressInstall:
            return false;
        case Api::RunContent:
            if (!direct) break;
            if (call.arg % 2 == 0) {
                call.key = value.toLower();
                return false;
            }
            if (call.key == QLatin1String("flashvars")) return false;
            if (call.key == QLatin1String("movie") || call.key == QLatin1String("src")) {
                if (value.trimmed().isEmpty()) return false;
                address = value;
                // The function adds the extension before any query.
                if (!EndsInSwf(address)) {
                    const qsizetype query = address.indexOf(QLatin1Char('?'));
                    address.insert(query < 0 ? address.size() : query, QLatin1String(".swf"));
                }
                return true;
            }
            break;
        case Api::None:
            break;
        }
    }
    if (!generic || m_flashvars >= 0) return false;
    if (value.compare(QLatin1String("flashvars"), Qt::CaseInsensitive) == 0) {
        m_skipNext = true;
        return false;
    }
    if (!EndsInSwf(value) || value.contains(QLatin1Char('<')) || value.contains(QLatin1Char('>')) ||
        value.contains(QLatin1Char('\n')))
        return false;
    address = value;
    return true;
}
