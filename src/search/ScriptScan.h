#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

// The Flash movies an inline script loads, read from its string literals
// (quotes ' " and `, escapes decoded; comments and regular expressions
// skipped): the first argument of swfobject.embedSWF(...) and of
// new SWFObject(...); the value after 'movie' or 'src' in
// AC_FL_RunContent(...), with ".swf" added as that function adds it; and any
// other string whose path ends in ".swf". Flash variables are never movies
// (addVariable(...), anything named flashvars, embedSWF's sixth and seventh
// arguments), nor are the express-install movies that only an outdated
// player loads. Resumable, linear in the script's length.
class ScriptScan {
public:
    explicit ScriptScan(QStringView script) : m_text(script) {}

    // The next movie address as written in the script. False when the
    // script ended (atEnd()) or `budget` characters were read without one.
    bool next(QString &address, qsizetype budget);
    bool atEnd() const { return m_pos >= m_text.size(); }

    // Whether a string names a movie by its path: "x.swf", "a/x.SWF?v=2".
    static bool EndsInSwf(QStringView address);

private:
    enum class Api { None, EmbedSwf, SwfObject, RunContent, RegisterObject, ExpressInstall };
    enum class Last { Operator, Value, Keyword };
    struct Call {
        Api api;
        int depth; // the bracket depth of its arguments
        int arg = 0;
        QString key; // AC_FL_RunContent: the name the next argument belongs to
    };

    bool string(QChar quote, QString &address);
    void identifier();
    void bracket(QChar c);
    void skipRegex();
    bool take(const QString &value, QString &address);

    QStringView m_text;
    qsizetype m_pos = 0;
    int m_depth = 0;
    Last m_last = Last::Operator;
    Api m_pending = Api::None; // an API name waiting for its "("
    QVarLengthArray<Call, 4> m_calls;
    int m_flashvars = -1;    // depth of a flashvars statement, -1 when none
    bool m_skipNext = false; // the string behind "flashvars" is its value
};
