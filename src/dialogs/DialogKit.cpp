#include "dialogs/DialogKit.h"

#include <QFileDialog>

QString DialogKit::browseFolder(QWidget *parent, const QString &start) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Browsing"), start);
}
