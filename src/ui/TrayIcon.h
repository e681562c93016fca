#pragma once

#include <QObject>
#include <optional>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The notification-area icon of the main window: its tip is the window
// caption, a left click restores a minimised or hidden window and a right
// click shows the pop-up menu. Where the desktop has no tray the calls do
// nothing and available() is false.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    void AddTrayIcon(QWidget *window, QMenu *menu);
    void SetTrayTip(const QString &text);
    void RemoveTrayIcon();

    bool available() const;
    bool isAdded() const { return m_added; }
    QString tip() const { return m_tip; }
    // Tests and desktops that report no tray wrongly can decide for themselves.
    static void overrideAvailability(std::optional<bool> available);

    // The tray's clicks, also callable directly.
    void leftClicked();
    void rightClicked();

signals:
    void menuShown();

private:
    QSystemTrayIcon *m_icon = nullptr;
    QWidget *m_window = nullptr;
    QMenu *m_menu = nullptr;
    QString m_tip;
    bool m_added = false;
};
