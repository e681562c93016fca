#include "ui/TrayIcon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {
std::optional<bool> g_availability;
}

void TrayIcon::overrideAvailability(std::optional<bool> available) {
    g_availability = available;
}

TrayIcon::TrayIcon(QObject *parent) : QObject(parent) {}
TrayIcon::~TrayIcon() {
    RemoveTrayIcon();
}

bool TrayIcon::available() const {
    return g_availability ? *g_availability : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::AddTrayIcon(QWidget *window, QMenu *menu) {
    m_window = window;
    m_menu = menu;
    m_added = true;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    m_icon = new QSystemTrayIcon(window->windowIcon(), this);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    leftClicked();
                else if (reason == QSystemTrayIcon::Context)
                    rightClicked();
            });
    m_icon->show();
}

void TrayIcon::SetTrayTip(const QString &text) {
    m_tip = text.left(63); // the tip field holds 64 characters with its end mark
    if (m_icon) m_icon->setToolTip(m_tip);
}

void TrayIcon::RemoveTrayIcon() {
    if (m_icon) {
        m_icon->hide();
        delete m_icon;
        m_icon = nullptr;
    }
    m_added = false;
}

void TrayIcon::leftClicked() {
    if (!m_window) return;
    const bool normal = m_window->isVisible() && !(m_window->windowState() & Qt::WindowMinimized);
    if (normal) return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void TrayIcon::rightClicked() {
    if (!m_menu) return;
    emit menuShown();
    m_menu->popup(QCursor::pos());
}
