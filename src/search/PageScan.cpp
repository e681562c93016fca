#include "search/PageScan.h"

#include "search/SearchUrl.h"

namespace {

constexpr int kMaxObjectNesting = 64;

bool isFlashType(const QString &type) {
    return type.contains(QLatin1String("shockwave-flash"), Qt::CaseInsensitive) ||
           type.contains(QLatin1String("futuresplash"), Qt::CaseInsensitive);
}

bool mentionsFlash(const HtmlTokenizer::Token &token) {
    for (const HtmlTokenizer::Attribute &a : token.attributes)
        if (a.value.contains(QLatin1String("flash"), Qt::CaseInsensitive) ||
            a.value.contains(QLatin1String("shockwave"), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

PageScan::PageScan(QString text, const QUrl &pageUrl, int phases)
    : m_text(std::move(text)), m_tokens(m_text), m_phases(phases), m_base(pageUrl) {}

bool PageScan::next(Find &out) {
    out = Find();
    const qsizetype shareEnd = position() + kShare;
    while (!m_markupDone) {
        if (m_script) {
            QString address;
            if (m_script->next(address, kShare)) {
                if (movie(address, out)) return true;
                continue;
            }
            if (!m_script->atEnd()) return true; // a share read
            m_script.reset();
            continue;
        }
        if (!m_tokens.next(m_token)) {
            m_markupDone = true;
            break;
        }
        if (take(m_token, out)) return true;
        if (position() >= shareEnd) return true;
    }
    if (m_nextLink < m_links.size()) {
        out.kind = Find::Link;
        out.address = m_links[m_nextLink++];
        return true;
    }
    return false;
}

bool PageScan::movie(const QString &address, Find &out) {
    return (m_phases & Movies) && found(Find::Movie, address, out);
}

// A frame's page is fetched like a link; a frame showing a movie loads it.
bool PageScan::frame(const QString &address, Find &out) {
    if (SearchUrl::IsSwf(address)) return movie(address, out);
    return (m_phases & Frames) && found(Find::Frame, address, out);
}

// A web address not found before becomes the finding `out`.
bool PageScan::found(Find::Kind kind, const QString &address, Find &out) {
    if (address.trimmed().isEmpty()) return false;
    const QUrl url = SearchUrl::ResolveAddress(m_base, address);
    if (url.isEmpty()) return false;
    QString encoded = SearchUrl::Encoded(url);
    if (m_seen.contains(encoded)) return false;
    m_seen.insert(encoded);
    out.kind = kind;
    out.address = std::move(encoded);
    return true;
}

void PageScan::startObject(const HtmlTokenizer::Token &token, bool &flash) {
    const QString type = token.value(QLatin1String("type"));
    const QString classid = token.value(QLatin1String("classid"));
    // An OBJECT of another plug-in says so by its type or class.
    flash = isFlashType(type) ||
            classid.contains(QLatin1String("d27cdb6e-ae6d-11cf-96b8-444553540000"),
                             Qt::CaseInsensitive) ||
            (type.isEmpty() && classid.isEmpty());
    if (m_objects.size() < kMaxObjectNesting) m_objects.append(flash);
    ++m_objectDepth;
}

bool PageScan::take(const HtmlTokenizer::Token &t, Find &out) {
    if (t.kind == HtmlTokenizer::Token::Script) {
        if ((m_phases & Movies) && !m_scriptHasSrc) m_script.emplace(t.script);
        return false;
    }
    if (t.kind == HtmlTokenizer::Token::EndTag) {
        if (t.is(QLatin1String("object")) && m_objectDepth > 0) {
            if (m_objects.size() == m_objectDepth) m_objects.removeLast();
            --m_objectDepth;
        }
        return false;
    }
    if (t.is(QLatin1String("object"))) {
        bool flash = false;
        startObject(t, flash);
        const QString data = t.value(QLatin1String("data"));
        return (isFlashType(t.value(QLatin1String("type"))) || SearchUrl::IsSwf(data)) &&
               movie(data, out);
    }
    if (t.is(QLatin1String("param"))) {
        if (m_objectDepth == 0) return false;
        const QString name = t.value(QLatin1String("name")).trimmed().toLower();
        const QString value = t.value(QLatin1String("value"));
        const bool flash = m_objects.isEmpty() || m_objects.last();
        return (name == QLatin1String("movie") ||
                (name == QLatin1String("src") && (flash || SearchUrl::IsSwf(value)))) &&
               movie(value, out);
    }
    if (t.is(QLatin1String("embed"))) {
        const QString src = t.value(QLatin1String("src"));
        const QString type = t.value(QLatin1String("type"));
        return (isFlashType(type) || SearchUrl::IsSwf(src) ||
                (type.isEmpty() && mentionsFlash(t))) &&
               movie(src, out);
    }
    if (t.is(QLatin1String("a")) || t.is(QLatin1String("area"))) {
        if (!(m_phases & Links)) return false;
        const QUrl url = SearchUrl::ResolveAddress(m_base, t.value(QLatin1String("href")));
        if (!url.isEmpty()) m_links.append(SearchUrl::Encoded(url));
        return false;
    }
    if (t.is(QLatin1String("iframe")) || t.is(QLatin1String("frame")))
        return frame(t.value(QLatin1String("src")), out);
    if (t.is(QLatin1String("script"))) {
        m_scriptHasSrc = t.attribute(QLatin1String("src")) != nullptr;
        return false;
    }
    if (t.is(QLatin1String("base")) && !m_baseSeen && t.attribute(QLatin1String("href"))) {
        // Only the first base address counts, and only a web address.
        m_baseSeen = true;
        const QUrl base = SearchUrl::ResolveAddress(m_base, t.value(QLatin1String("href")));
        if (!base.isEmpty()) m_base = base;
    }
    return false;
}

QVector<PageScan::Find> PageScan::scanAll(const QString &text, const QUrl &pageUrl, int phases) {
    QVector<Find> finds;
    PageScan scan(text, pageUrl, phases);
    Find f;
    while (scan.next(f))
        if (f.kind != Find::None) finds.append(f);
    return finds;
}

QString PageScan::GetHref(const QString &tag) {
    HtmlTokenizer tokens(tag);
    HtmlTokenizer::Token token;
    while (tokens.next(token))
        if (token.kind == HtmlTokenizer::Token::StartTag) return token.value(QLatin1String("href"));
    return {};
}

QString PageScan::BaseHref(const QString &text) {
    HtmlTokenizer tokens(text);
    HtmlTokenizer::Token token;
    while (tokens.next(token))
        if (token.kind == HtmlTokenizer::Token::StartTag && token.is(QLatin1String("base")) &&
            token.attribute(QLatin1String("href")))
            return token.value(QLatin1String("href"));
    return {};
}
