#pragma once

#include "search/HtmlTokenizer.h"
#include "search/ScriptScan.h"

#include <QSet>
#include <QString>
#include <QUrl>
#include <QVarLengthArray>
#include <QVector>
#include <optional>

// The analysis of a page's text: what a browser showing it would load.
// Movies: an OBJECT's "data" when its type is Flash or the address ends in
// .swf; a PARAM "movie" of an OBJECT, or its PARAM "src" unless the OBJECT
// is another plug-in's; an EMBED's "src" when its type is Flash, the address
// ends in .swf, or (without a type) an attribute mentions Flash; the movies
// of inline scripts (ScriptScan). Frames: FRAME and IFRAME pages. Links: the
// "href" of A and AREA (an A without one links the page itself). Every
// address comes out resolved against the page (or its first <base href>,
// when that is an http:// or https:// address) and percent-encoded; anything
// else is dropped. Movies and frames come once each, in page order; the
// links follow them, in page order, duplicates kept. Each call of next()
// reads a bounded share of the text, so a caller can yield between calls;
// the whole scan is linear in the text's length.
class PageScan {
public:
    enum Phase { Movies = 1, Links = 2, Frames = 4, All = 7 };

    struct Find {
        enum Kind { None, Movie, Link, Frame };
        Kind kind = None; // None: a share of the text read, nothing found
        QString address;
    };

    // Characters read by one call of next() at most (a tag is read whole).
    static constexpr qsizetype kShare = 256 * 1024;

    PageScan(QString text, const QUrl &pageUrl, int phases = All);
    PageScan(const PageScan &) = delete;
    PageScan &operator=(const PageScan &) = delete;

    // The next finding; false when the scan has ended.
    bool next(Find &out);
    // Characters of the text read so far.
    qsizetype position() const { return m_tokens.position(); }

    // Every finding of a page at once (kind None left out).
    static QVector<Find> scanAll(const QString &text, const QUrl &pageUrl, int phases = All);
    // The "href" of the first tag of `tag`, references decoded; empty without.
    static QString GetHref(const QString &tag);
    // The "href" of the page's first BASE element that has one; empty without.
    static QString BaseHref(const QString &text);

private:
    bool take(const HtmlTokenizer::Token &token, Find &out);
    void startObject(const HtmlTokenizer::Token &token, bool &flash);
    bool movie(const QString &address, Find &out);
    bool frame(const QString &address, Find &out);
    bool found(Find::Kind kind, const QString &address, Find &out);

    const QString m_text; // the views of the tokenizer point into it
    HtmlTokenizer m_tokens;
    HtmlTokenizer::Token m_token;
    std::optional<ScriptScan> m_script;
    bool m_scriptHasSrc = false;
    int m_phases;
    QUrl m_base;
    bool m_baseSeen = false;
    // Open OBJECT elements: whether each may hold a Flash movie (the
    // innermost ones of a deep nesting are only counted).
    QVarLengthArray<bool, 16> m_objects;
    int m_objectDepth = 0;
    QSet<QString> m_seen; // movies and frames found
    QVector<QString> m_links;
    qsizetype m_nextLink = 0;
    bool m_markupDone = false;
};
