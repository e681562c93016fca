#pragma once

#include <QObject>

struct NewJobPages;
class QWidget;

// The " Generate Url " page of the new-job dialog: the range boxes' input
// rules, their enabling by "Digit" / "Denominator", "&Generate", "&Delete"
// and "&Clear" over List1. The rules themselves are BatchUrls'.
class BatchPageControl : public QObject {
    Q_OBJECT
public:
    BatchPageControl(NewJobPages &pages, QWidget *dialog);
    void generate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    NewJobPages &w;
    QWidget *m_dialog; // parent of the messages
};
