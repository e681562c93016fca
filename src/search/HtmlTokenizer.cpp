#include "search/HtmlTokenizer.h"

#include "search/CharRefs.h"

namespace {

inline bool isSpace(char16_t c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f';
}

inline bool isAlpha(char16_t c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// Elements whose content is text, not markup; the first one is read as script.
const QLatin1String kRawText[] = {
    QLatin1String("script"),  QLatin1String("style"),    QLatin1String("textarea"),
    QLatin1String("title"),   QLatin1String("xmp"),      QLatin1String("iframe"),
    QLatin1String("noembed"), QLatin1String("noframes"), QLatin1String("plaintext")};

} // namespace

bool EqualsNoCase(QStringView text, QLatin1String ascii) {
    if (text.size() != ascii.size()) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c >= 'A' && c <= 'Z') c += 32;
        char16_t a = char16_t(uchar(ascii.data()[i]));
        if (a >= 'A' && a <= 'Z') a += 32;
        if (c != a) return false;
    }
    return true;
}

bool HtmlTokenizer::Token::is(QLatin1String tag) const {
    return EqualsNoCase(name, tag);
}

const HtmlTokenizer::Attribute *HtmlTokenizer::Token::attribute(QLatin1String name) const {
    for (const Attribute &a : attributes)
        if (EqualsNoCase(a.name, name)) return &a;
    return nullptr;
}

QString HtmlTokenizer::Token::value(QLatin1String name) const {
    const Attribute *a = attribute(name);
    if (!a) return QString();
    QString v = CharRefs::DecodeAttribute(a->value);
    if (v.isNull()) v = QLatin1String(""); // present but empty
    return v;
}

bool HtmlTokenizer::next(Token &token) {
    token.kind = Token::End;
    if (!m_rawEnd.isEmpty() && readRawText(token)) return true;
    const qsizetype n = m_text.size();
    const QChar *d = m_text.data();
    while (m_pos < n) {
        const qsizetype lt = m_text.indexOf(QLatin1Char('<'), m_pos);
        if (lt < 0 || lt + 1 >= n) break;
        m_pos = lt + 1;
        const char16_t c = d[m_pos].unicode();
        if (isAlpha(c)) {
            if (readTag(token, false)) return true;
        } else if (c == '/') {
            ++m_pos;
            if (m_pos < n && isAlpha(d[m_pos].unicode())) {
                if (readTag(token, true)) return true;
            } else if (m_pos < n && d[m_pos] == QLatin1Char('>')) {
                ++m_pos;
            } else {
                skipBogusComment();
            }
        } else if (c == '!') {
            ++m_pos;
            if (m_text.mid(m_pos).startsWith(QLatin1String("--"))) {
                m_pos += 2;
                skipComment();
            } else {
                skipBogusComment();
            }
        } else if (c == '?') {
            skipBogusComment();
        }
    }
    m_pos = n;
    return false;
}

void HtmlTokenizer::skipBogusComment() {
    const qsizetype gt = m_text.indexOf(QLatin1Char('>'), m_pos);
    m_pos = gt < 0 ? m_text.size() : gt + 1;
}

// Behind "<!--": up to "-->" or "--!>"; "<!-->" and "<!--->" end at once.
void HtmlTokenizer::skipComment() {
    const QStringView rest = m_text.mid(m_pos);
    if (rest.startsWith(QLatin1Char('>')) || rest.startsWith(QLatin1String("->"))) {
        m_pos = m_text.indexOf(QLatin1Char('>'), m_pos) + 1;
        return;
    }
    for (qsizetype from = m_pos;;) {
        const qsizetype dashes = m_text.indexOf(QLatin1String("--"), from);
        if (dashes < 0) {
            m_pos = m_text.size();
            return;
        }
        const QStringView behind = m_text.mid(dashes + 2);
        if (behind.startsWith(QLatin1Char('>'))) {
            m_pos = dashes + 3;
            return;
        }
        if (behind.startsWith(QLatin1String("!>"))) {
            m_pos = dashes + 4;
            return;
        }
        from = dashes + 1;
    }
}

// At the tag name's first letter. False when the text ends inside the tag.
bool HtmlTokenizer::readTag(Token &token, bool end) {
    const qsizetype n = m_text.size();
    const QChar *d = m_text.data();
    qsizetype p = m_pos;
    const qsizetype nameStart = p;
    while (p < n && !isSpace(d[p].unicode()) && d[p] != QLatin1Char('/') &&
           d[p] != QLatin1Char('>'))
        ++p;
    token.name = m_text.mid(nameStart, p - nameStart);
    token.attributes.clear();
    token.selfClosing = false;
    token.script = {};
    for (;;) {
        while (p < n && isSpace(d[p].unicode()))
            ++p;
        if (p >= n) break;
        const char16_t c = d[p].unicode();
        if (c == '>') {
            m_pos = p + 1;
            token.kind = end ? Token::EndTag : Token::StartTag;
            if (!end)
                for (const QLatin1String &raw : kRawText)
                    if (token.is(raw)) m_rawEnd = raw;
            return true;
        }
        if (c == '/') {
            ++p;
            if (p < n && d[p] == QLatin1Char('>')) token.selfClosing = true;
            continue;
        }
        const qsizetype attrStart = p++;
        while (p < n && !isSpace(d[p].unicode()) && d[p] != QLatin1Char('/') &&
               d[p] != QLatin1Char('>') && d[p] != QLatin1Char('='))
            ++p;
        Attribute attr{m_text.mid(attrStart, p - attrStart), QStringView()};
        while (p < n && isSpace(d[p].unicode()))
            ++p;
        if (p < n && d[p] == QLatin1Char('=')) {
            ++p;
            while (p < n && isSpace(d[p].unicode()))
                ++p;
            if (p >= n) break;
            const QChar q = d[p];
            if (q == QLatin1Char('"') || q == QLatin1Char('\'')) {
                const qsizetype close = m_text.indexOf(q, p + 1);
                if (close < 0) break;
                attr.value = m_text.mid(p + 1, close - p - 1);
                p = close + 1;
            } else if (q != QLatin1Char('>')) {
                const qsizetype from = p;
                while (p < n && !isSpace(d[p].unicode()) && d[p] != QLatin1Char('>'))
                    ++p;
                attr.value = m_text.mid(from, p - from);
            }
        }
        if (token.attributes.size() < kMaxAttributes) token.attributes.append(attr);
    }
    m_pos = n; // the text ends inside the tag: it is dropped
    return false;
}

// Behind the start tag of a raw-text element: up to its end tag.
bool HtmlTokenizer::readRawText(Token &token) {
    const QLatin1String name = m_rawEnd;
    m_rawEnd = QLatin1String();
    const qsizetype n = m_text.size();
    qsizetype end = n;
    if (name != QLatin1String("plaintext")) {
        for (qsizetype from = m_pos;;) {
            const qsizetype at = m_text.indexOf(QLatin1String("</"), from);
            if (at < 0) break;
            const qsizetype behind = at + 2 + name.size();
            if (behind <= n && EqualsNoCase(m_text.mid(at + 2, name.size()), name) &&
                (behind == n || isSpace(m_text[behind].unicode()) ||
                 m_text[behind] == QLatin1Char('/') || m_text[behind] == QLatin1Char('>'))) {
                end = at;
                break;
            }
            from = at + 2;
        }
    }
    const QStringView text = m_text.mid(m_pos, end - m_pos);
    m_pos = end;
    if (name != kRawText[0]) return false;
    token.kind = Token::Script;
    token.name = {};
    token.attributes.clear();
    token.script = text;
    return true;
}
