#include "ui/MainHandOff.h"

#include "ui/frmMain.h"

#include <QLineEdit>
#include <QTimer>

MainHandOff::MainHandOff(frmMain &window, AppCore &core)
    : QObject(&window), m_window(window), m_core(core) {
    setObjectName(QStringLiteral("MainHandOff"));
    m_text1 = new QLineEdit(&window);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->hide();
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    connect(m_text1, &QLineEdit::textChanged, m_timer1, qOverload<>(&QTimer::start));
}

void MainHandOff::receive(const HandOffMessage &message) {
    m_message = message;
    m_text1->setText(message.text);
}
