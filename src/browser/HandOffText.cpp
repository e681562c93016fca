#include "browser/HandOffText.h"

namespace HandOffText {

const QString kUrlField = QStringLiteral("my_qtr_Url:=");
const QString kInfoField = QStringLiteral("my_qtr_Info:=");
const QString kRefField = QStringLiteral("my_qtr_Ref:=");
const QString kSeparator = QStringLiteral("||**QTRVAN**||");

int commandMode(const QString &text) {
    static const struct {
        QLatin1String word;
        int mode;
    } words[] = {
        {QLatin1String("down"), 1}, {QLatin1String("search"), 2}, {QLatin1String("all"), 4}};
    for (const auto &entry : words)
        if (text.startsWith(entry.word, Qt::CaseInsensitive)) return entry.mode;
    return 0;
}

QString fieldValue(const QString &text, const QString &name) {
    const qsizetype at = text.indexOf(name, 0, Qt::CaseInsensitive);
    if (at < 0) return {};
    const qsizetype from = at + name.size();
    const qsizetype end = text.indexOf(kSeparator, from, Qt::CaseInsensitive);
    return end < 0 ? QString() : text.mid(from, end - from);
}

Request parse(const QString &text) {
    Request request;
    if (text.isEmpty()) return request;
    request.url = fieldValue(text, kUrlField);
    request.info = fieldValue(text, kInfoField);
    request.referer = fieldValue(text, kRefField);
    request.mode = commandMode(text);
    return request;
}

} // namespace HandOffText
