// The desktop notification of a finished download, sent to a fake
// notification service on a private session bus, and its two actions.
#include "common/HelperProcess.h"
#include "jobs/DownJobRecord.h"
#include "jobs/JobTable.h"
#include "ui/DoneNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QUrl>
#include <QWidget>
#include <QtTest>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
} // namespace

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList calls; // "app|summary|body|actions|desktop-entry" of each call
public slots:
    uint Notify(const QString &app, uint, const QString &, const QString &summary,
                const QString &body, const QStringList &acts, const QVariantMap &h, int) {
        const QString entry = h.value(QStringLiteral("desktop-entry")).toString();
        calls << QStringList{app, summary, body, acts.join(','), entry}.join('|');
        return uint(100 + calls.size());
    }
};

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList &uris, const QString &) { shown << uris; }
};

class TestDoneNotifier : public QObject {
    Q_OBJECT
    HelperProcess m_bus;
    QDBusConnection m_fake{QString()};
    FakeNotifications m_notifications;
    FakeFileManager m_fileManager;
    JobTable m_jobs;
    QWidget m_window;
    DoneNotifier *m_notifier = nullptr;
    QList<QUrl> m_opened;

    void sendAction(uint id, const QString &action) {
        QDBusMessage signal =
            QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"));
        signal << id << action;
        QVERIFY(m_fake.send(signal));
    }

private slots:
    void initTestCase() {
        QString address, error;
        if (HelperProcess::find("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed (package dbus)");
        QVERIFY2(startSessionBus(m_bus, &address, &error), qPrintable(error));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8()); // before the first sessionBus()
        m_fake = QDBusConnection::connectToBus(address, QStringLiteral("fake"));
        QVERIFY(m_fake.isConnected());
        QVERIFY(m_fake.registerObject(kPath, &m_notifications, QDBusConnection::ExportAllSlots));
        QVERIFY(m_fake.registerService(kService));
        QVERIFY(m_fake.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                      &m_fileManager, QDBusConnection::ExportAllSlots));
        DownJobRecord done;
        done.SavePath = QStringLiteral("/data/movies/clip <1>.swf");
        m_jobs.add(done);
        done.SavePath = QStringLiteral("/data/marker.swf");
        m_jobs.add(done);
        m_notifier = new DoneNotifier(m_jobs, m_window);
        m_notifier->open = [this](const QUrl &url) { m_opened << url; };
    }

    // Only a complete job while the window is out of sight; never for a
    // window that was never shown.
    void whenNotified_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("notified");
        QTest::newRow("never shown") << "new" << int(StateComplete) << false;
        QTest::newRow("in sight") << "shown" << int(StateComplete) << false;
        QTest::newRow("minimised") << "minimised" << int(StateComplete) << true;
        QTest::newRow("hidden") << "hidden" << int(StateComplete) << true;
        QTest::newRow("hidden, error") << "hidden" << int(StateError) << false;
    }
    void whenNotified() {
        QFETCH(QString, window);
        QFETCH(int, state);
        QFETCH(bool, notified);
        if (window != "new") m_window.showNormal();
        if (window == "minimised") m_window.showMinimized();
        if (window == "hidden") m_window.hide();
        const int before = int(m_notifications.calls.size());
        m_notifier->jobFinished(1, state);
        m_notifier->jobFinished(3, StateComplete); // no such job
        if (notified) {
            QTRY_COMPARE(m_notifications.calls.size(), before + 1);
            QCOMPARE(
                m_notifications.calls.last(),
                QStringLiteral("MoorQuill|Download complete|clip &lt;1&gt;.swf in /data/movies|"
                               "open,Open,folder,Show in folder|org.moorquill.MoorQuill"));
        } else { // a notification sent after the calls above arrives after any they sent
            m_window.showMinimized();
            m_notifier->jobFinished(2, StateComplete);
            QTRY_VERIFY(m_notifications.calls.size() > before);
            QCOMPARE(m_notifications.calls.size(), before + 1);
            QVERIFY(m_notifications.calls.last().contains("marker.swf"));
        }
    }

    // "Open" opens the file; "Show in folder" asks the file manager, else
    // opens the folder; another program's notification is left alone.
    void actions_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("fileManager");
        QTest::addColumn<QString>("url"); // opened, or shown by the file manager
        QTest::newRow("open") << "open" << false << "file:///data/movies/clip <1>.swf";
        QTest::newRow("folder") << "folder" << false << "file:///data/movies";
        QTest::newRow("folder, file manager")
            << "folder" << true << "file:///data/movies/clip%20%3C1%3E.swf";
    }
    void actions() {
        QFETCH(QString, action);
        QFETCH(bool, fileManager);
        QFETCH(QString, url);
        if (fileManager) QVERIFY(m_fake.registerService(kFileManager));
        m_opened.clear();
        m_fileManager.shown.clear();
        m_window.showMinimized();
        const int count = int(m_notifications.calls.size());
        m_notifier->jobFinished(1, StateComplete);
        QTRY_COMPARE(m_notifications.calls.size(), count + 1);
        sendAction(uint(100 + count + 1) + 1000, action); // not ours
        sendAction(uint(100 + count + 1), action);
        if (!fileManager) {
            QTRY_COMPARE(m_opened.size(), 1);
            QCOMPARE(m_opened.first(), QUrl(url));
        } else {
            QTRY_COMPARE(m_fileManager.shown, QStringList{url});
            QVERIFY(m_opened.isEmpty());
        }
        if (fileManager) QVERIFY(m_fake.unregisterService(kFileManager));
    }
};

QTEST_MAIN(TestDoneNotifier)
#include "tst_donenotifier.moc"
