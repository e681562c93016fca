#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class JobTable;
class QUrl;
class QWidget;

// A desktop notification (the freedesktop notification service on the
// session bus) for a download that completes while the main window is hidden
// or minimised, with the actions "Open" (the file) and "Show in folder". A
// window never shown (a test's) raises none. Without a session bus or a
// notification service nothing happens.
class DoneNotifier : public QObject {
    Q_OBJECT
public:
    DoneNotifier(const JobTable &jobs, QWidget &mainWindow);

    // Opens a file or a folder: QDesktopServices::openUrl unless replaced.
    std::function<void(const QUrl &)> open;

public slots:
    void jobFinished(int job, int state); // DownloadEvents::JobFinished

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    void showInFolder(const QString &file);
    bool m_connected = false;     // to the service's signals
    bool m_windowShown = false;   // the main window was shown once
    QHash<uint, QString> m_files; // notification id -> the finished file
    const JobTable &m_jobs;
    QWidget &m_window;
};
