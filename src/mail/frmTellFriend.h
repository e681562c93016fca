#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class SmtpDialogue;
class modMXQuery;

// "Tell Friend Good Software": the fields of a recommendation mail and the
// status list of its dialogue. The dialogue itself is SmtpDialogue; this
// window only shows its log lines.
class frmTellFriend : public QDialog {
    Q_OBJECT
public:
    explicit frmTellFriend(modMXQuery &mx, QWidget *parent = nullptr);

    static QString DefaultContent();
    SmtpDialogue *dialogue() const { return m_dialogue; }
    void AddLog(const QString &text);

    QLineEdit *txtFrom, *txtTo, *txtSubject;
    QPlainTextEdit *txtContent;
    QListWidget *List1;
    QPushButton *cmdSend, *cmdCancel;

private:
    void cmdSend_Click();
    SmtpDialogue *m_dialogue;
};
