#include "kit/DialogKit.h"

#include <QFileDialog>

namespace {
DialogKit::BrowseHandler &browseHandler() {
    static DialogKit::BrowseHandler handler;
    return handler;
}
} // namespace

QString DialogKit::browseFolder(QWidget *parent, const QString &start) {
    if (browseHandler()) return browseHandler()(start);
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Browsing"), start);
}

DialogKit::BrowseHandler DialogKit::setBrowseHandler(BrowseHandler handler) {
    BrowseHandler old = browseHandler();
    browseHandler() = std::move(handler);
    return old;
}
