#pragma once

#include "browser/HandOffMessage.h"

#include <QObject>

class QLineEdit;
class QTimer;
class frmMain;
struct AppCore;

// The main window's side of a browser hand-off: the hidden text field
// Text1 that receives the hand-off text and the timer Timer1 that turns it
// into the new-job dialog.
class MainHandOff : public QObject {
    Q_OBJECT
public:
    MainHandOff(frmMain &window, AppCore &core);

    // Keeps the message's links, cookies and user agent for the dialog and
    // puts its text into Text1.
    void receive(const HandOffMessage &message);

    QLineEdit *Text1() const { return m_text1; }
    QTimer *Timer1() const { return m_timer1; }

private:
    frmMain &m_window;
    AppCore &m_core;
    QLineEdit *m_text1 = nullptr;
    QTimer *m_timer1 = nullptr;
    HandOffMessage m_message;
};
