#pragma once

#include <QString>

// The hand-off text a browser sends: a command word at its start ("down",
// "search" or "all") followed, in any order, by the fields
// "my_qtr_Url:=" URL "||**QTRVAN**||", "my_qtr_Info:=" text "||**QTRVAN**||"
// and "my_qtr_Ref:=" URL "||**QTRVAN**||". Field names, the separator and
// the command word compare without regard to case.
namespace HandOffText {

// What a hand-off text asks for.
struct Request {
    int mode = 0; // NewJobMode: 1 "down", 2 "search", 4 "all"; 0 no command word
    QString url;
    QString info;
    QString referer;
};

// The mode of the command word at the start of `text`, each word compared
// over its own length: 1, 2 or 4; 0 when none matches.
int commandMode(const QString &text);

// The value behind the first `name` in `text` up to the next separator
// behind it; empty when the name is missing or no separator follows.
QString fieldValue(const QString &text, const QString &name);

// The command word and the three fields (linear in the text's length).
Request parse(const QString &text);

extern const QString kUrlField;  // "my_qtr_Url:="
extern const QString kInfoField; // "my_qtr_Info:="
extern const QString kRefField;  // "my_qtr_Ref:="
extern const QString kSeparator; // "||**QTRVAN**||"

} // namespace HandOffText
