#include "dialogs/BatchPageControl.h"

#include "dialogs/BatchUrls.h"
#include "dialogs/NewJobPages.h"
#include "kit/MsgBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace {
void setValidator(QLineEdit *box, const char *pattern) {
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QLatin1String(pattern)), box));
}
} // namespace

BatchPageControl::BatchPageControl(NewJobPages &pages, QWidget *dialog)
    : QObject(dialog), w(pages), m_dialog(dialog) {
    for (QLineEdit *box : {w.txtN1, w.txtN2, w.txtN3, w.txtA1, w.txtA2})
        box->installEventFilter(this);
    // Pasted text follows the same rules as typed text.
    setValidator(w.txtN1, "[0-9]*");
    setValidator(w.txtN2, "[0-9]*");
    setValidator(w.txtN3, "[0-9]?");
    setValidator(w.txtA1, "[A-Za-z]?");
    setValidator(w.txtA2, "[A-Za-z]?");
    for (QLineEdit *box : {w.txtA1, w.txtA2})
        connect(box, &QLineEdit::textChanged, box, [box](const QString &text) {
            if (text != text.toLower()) box->setText(text.toLower());
        });
    w.txtN1->setText(QStringLiteral("1"));
    w.txtN2->setText(QStringLiteral("10"));
    w.txtN3->setText(QStringLiteral("1"));
    w.txtA1->setText(QStringLiteral("a"));
    w.txtA2->setText(QStringLiteral("z"));
    connect(w.OpNumber, &QRadioButton::toggled, this, [this](bool digits) {
        for (QLineEdit *box : {w.txtN1, w.txtN2, w.txtN3})
            box->setEnabled(digits);
        for (QLineEdit *box : {w.txtA1, w.txtA2})
            box->setEnabled(!digits);
    });
    w.OpAlp->setChecked(true);
    w.OpNumber->setChecked(true);
    w.cmdCreateUrl->setEnabled(false);
    w.cmdListDel->setEnabled(false);
    w.cmdListDelAll->setEnabled(false);
    connect(w.txtBatUrl, &QLineEdit::textChanged, this, [this](const QString &text) {
        w.cmdCreateUrl->setEnabled(BatchUrls::canGenerate(text));
    });
    connect(w.cmdCreateUrl, &QPushButton::clicked, this, &BatchPageControl::generate);
    connect(w.List1, &QListWidget::itemClicked, this,
            [this] { w.cmdListDel->setEnabled(w.List1->count() > 0); });
    connect(w.cmdListDel, &QPushButton::clicked, this, [this] {
        const QList<QListWidgetItem *> selected = w.List1->selectedItems();
        if (!selected.isEmpty()) delete selected.first();
        w.cmdListDel->setEnabled(false);
        w.lblBatCount->setText(QStringLiteral("%1 URLs").arg(w.List1->count()));
    });
    connect(w.cmdListDelAll, &QPushButton::clicked, this, [this] {
        w.List1->clear();
        w.cmdListDel->setEnabled(false);
        w.lblBatCount->clear();
    });
}

bool BatchPageControl::eventFilter(QObject *watched, QEvent *event) {
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || event->type() != QEvent::KeyPress) return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (box != w.txtN1 && box != w.txtN2 && box != w.txtN3 && box != w.txtA1 && box != w.txtA2)
        return false;
    // Only typed characters are filtered; moving, Delete, Tab, Enter and
    // Escape keep their meaning.
    const QString text = key->text();
    const int k = key->key();
    if (text.isEmpty() || k == Qt::Key_Delete || k == Qt::Key_Tab || k == Qt::Key_Backtab ||
        k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape)
        return false;
    const QChar typed = text.at(0);
    if (box == w.txtN1 || box == w.txtN2) return !BatchUrls::acceptsDigit(typed);
    box->setText(box == w.txtN3 ? BatchUrls::typedWidth(box->text(), typed)
                                : BatchUrls::typedLetter(box->text(), typed));
    return true;
}

void BatchPageControl::generate() {
    w.List1->clear();
    w.cmdListDel->setEnabled(false);
    const QString pattern = w.txtBatUrl->text();
    const BatchUrls::Result result =
        w.OpNumber->isChecked()
            ? BatchUrls::numbers(pattern, w.txtN1->text(), w.txtN2->text(), w.txtN3->text())
            : BatchUrls::letters(pattern, w.txtA1->text(), w.txtA2->text());
    if (!result.message.isEmpty()) {
        w.lblBatCount->clear();
        MsgBox::show(m_dialog, result.message);
        return;
    }
    w.List1->addItems(result.urls);
    w.cmdListDelAll->setEnabled(true);
    w.lblBatCount->setText(QStringLiteral("%1 URLs").arg(w.List1->count()));
}
