#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

// Reads the tags of an HTML text the way browsers' tokenizers do: tag and
// attribute names in any case, attributes in any order, quoted with " or '
// or unquoted, across lines; "/>" closes a tag; comments, doctypes and
// "<?...>" / "</ ...>" are skipped; the content of script, style, textarea,
// title, xmp, iframe, noembed, noframes and plaintext is raw text, not
// markup (a script's text is handed out to be read as script). A tag cut
// off by the end of the text is dropped. Linear in the text's length; every
// view points into the text, which must outlive the tokenizer.
class HtmlTokenizer {
public:
    struct Attribute {
        QStringView name;
        QStringView value; // raw: character references not yet decoded
    };

    struct Token {
        enum Kind { StartTag, EndTag, Script, End };
        Kind kind = End;
        QStringView name;   // tag name as written (compare ignoring case)
        QStringView script; // the text of a script element (Kind Script)
        bool selfClosing = false;
        // The first attributes of a tag; further ones are read but not kept.
        QVarLengthArray<Attribute, 16> attributes;

        bool is(QLatin1String tag) const;
        // The first attribute of that name, or nullptr.
        const Attribute *attribute(QLatin1String name) const;
        // Its value with character references decoded; the null text when absent.
        QString value(QLatin1String name) const;
    };

    static constexpr int kMaxAttributes = 256;

    explicit HtmlTokenizer(QStringView text) : m_text(text) {}

    // The next tag or script text; false (kind End) at the end of the text.
    bool next(Token &token);
    // Characters read so far.
    qsizetype position() const { return m_pos; }

private:
    bool readTag(Token &token, bool end);
    void skipBogusComment();
    void skipComment();
    bool readRawText(Token &token);

    QStringView m_text;
    qsizetype m_pos = 0;
    // The element whose raw text follows ("script", "style", ...), if any.
    QLatin1String m_rawEnd;
};

bool EqualsNoCase(QStringView text, QLatin1String ascii);
