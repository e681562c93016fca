// The window finder against windows of the test's own on the Xvfb display:
// a bare top-level window, and a client inside a frame as a window manager
// makes it. The pointer is warped over them.
#include "common/X11TestDisplay.h"
#include "platform/X11Windows.h"

#include <QtTest>

class TestX11Windows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!m_display.ok()) QSKIP("no X11 display");
    }

    void findsWindowUnderPointer() {
        X11TestDisplay &d = m_display;
        // A bare top-level window, as without a window manager.
        const xcb_window_t bare = d.window(d.root, 100, 100, 300, 200);
        d.browserProperties(bare, QByteArray("Navigator\0firefox-esr\0", 22),
                            QString::fromUtf8("Movies \u2014 Mozilla Firefox"), 4242);
        // A frame with a border holding its client below the title bar.
        const xcb_window_t frame = d.window(d.root, 500, 100, 320, 260, 2);
        const xcb_window_t client = d.window(frame, 0, 20, 320, 240);
        d.browserProperties(client, QByteArray("chromium\0Chromium\0", 18), "Page - Chromium", 777);
        d.wmState(client);
        d.sync();

        X11Windows finder;
        QVERIFY(finder.isOpen());
        X11WindowInfo info;
        d.pointerTo(150, 150);
        QVERIFY(finder.windowUnderPointer(info));
        QCOMPARE(info.window, quint32(bare));
        QCOMPARE(info.topLevel, quint32(bare));
        QCOMPARE(info.instance, QString("Navigator"));
        QCOMPARE(info.wmClass, QString("firefox-esr"));
        QCOMPARE(info.title, QString::fromUtf8("Movies \u2014 Mozilla Firefox"));
        QCOMPARE(info.pid, 4242);
        QCOMPARE(info.outer, QRect(100, 100, 300, 200));

        d.pointerTo(600, 200); // over the client
        QVERIFY(finder.windowUnderPointer(info));
        QCOMPARE(info.window, quint32(client));
        QCOMPARE(info.topLevel, quint32(frame));
        QCOMPARE(info.wmClass, QString("Chromium"));
        QCOMPARE(info.title, QString("Page - Chromium"));
        QCOMPARE(info.pid, 777);
        QCOMPARE(info.outer, QRect(500, 100, 324, 264));
        d.pointerTo(600, 110); // over the frame's title bar: still its client
        QVERIFY(finder.windowUnderPointer(info));
        QCOMPARE(info.window, quint32(client));

        d.pointerTo(1000, 900); // the bare root window
        QVERIFY(!finder.windowUnderPointer(info));

        // A window that is gone is no window.
        xcb_destroy_window(d.c, bare);
        d.sync();
        QVERIFY(!finder.describe(bare, info));
        d.pointerTo(150, 150);
        QVERIFY(!finder.windowUnderPointer(info));
        xcb_destroy_window(d.c, frame);
        d.sync();
    }

    void browserClass_data() {
        QTest::addColumn<QString>("wmClass");
        QTest::addColumn<bool>("browser");
        for (const char *yes : {"Chromium", "Google-chrome", "Brave-browser", "Vivaldi-stable",
                                "firefox", "firefox-esr", "Firefox-esr"})
            QTest::newRow(yes) << QString(yes) << true;
        for (const char *no : {"", "XTerm", "chromium-extra", "Navigator", "firefox "})
            QTest::newRow(no) << QString(no) << false;
    }

    void browserClass() {
        QFETCH(QString, wmClass);
        QTEST(bool(X11Windows::isBrowserClass(wmClass)), "browser");
    }

private:
    X11TestDisplay m_display;
};

QTEST_GUILESS_MAIN(TestX11Windows)
#include "tst_x11windows.moc"
