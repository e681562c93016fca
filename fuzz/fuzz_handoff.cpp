// The hand-off text a browser sends (UTF-8): the command word and the three
// fields. A value never holds a separator, and a non-empty value stands in
// the text between its name and a separator.
#include "FuzzInput.h"

#include "browser/HandOffText.h"

namespace {
void checkField(const QString &text, const QString &name, const QString &value) {
    FuzzInput::require(!value.contains(HandOffText::kSeparator, Qt::CaseInsensitive),
                       "a value holds the separator");
    if (!value.isEmpty())
        FuzzInput::require(
            text.contains(name + value + HandOffText::kSeparator, Qt::CaseInsensitive),
            "a value that is not in the text");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(FuzzInput::bytes(data, size));
    const HandOffText::Request r = HandOffText::parse(text);
    FuzzInput::require(r.mode == 0 || r.mode == 1 || r.mode == 2 || r.mode == 4, "unknown mode");
    FuzzInput::require(r.mode == HandOffText::commandMode(text), "mode differs from the word");
    checkField(text, HandOffText::kUrlField, r.url);
    checkField(text, HandOffText::kInfoField, r.info);
    checkField(text, HandOffText::kRefField, r.referer);
    return 0;
}
