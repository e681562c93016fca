// The window finder against windows of the test's own on the Xvfb display:
// a bare top-level window, and a client inside a frame as a window manager
// makes it. The pointer is warped over them.
#include "platform/X11Windows.h"

#include <QtTest>
#include <cstring>
#include <xcb/xcb.h>

namespace {
// Windows made through a connection of the test's own.
struct XServer {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = 0;
    XServer() {
        if (!xcb_connection_has_error(c))
            root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~XServer() { xcb_disconnect(c); }
    bool ok() const { return root != 0; }
    xcb_atom_t atom(const char *name) {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    xcb_window_t window(xcb_window_t parent, int x, int y, int w, int h, int border = 0) {
        const xcb_window_t id = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, parent, int16_t(x), int16_t(y), uint16_t(w),
                          uint16_t(h), uint16_t(border), XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, id);
        return id;
    }
    void set(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, int format,
             const QByteArray &value) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, uint8_t(format),
                            uint32_t(value.size() / (format / 8)), value.constData());
    }
    void browserProperties(xcb_window_t w, const QByteArray &wmClass, const QString &title,
                           quint32 pid) {
        set(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass);
        set(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, title.toUtf8());
        set(w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
            QByteArray(reinterpret_cast<const char *>(&pid), 4));
    }
    void wmState(xcb_window_t w) {
        const quint32 state[2] = {1, 0}; // NormalState, no icon
        set(w, atom("WM_STATE"), atom("WM_STATE"), 32,
            QByteArray(reinterpret_cast<const char *>(state), 8));
    }
    // Moves the pointer and waits until the server has done everything asked.
    void pointerTo(int x, int y) {
        xcb_warp_pointer(c, XCB_NONE, root, 0, 0, 0, 0, int16_t(x), int16_t(y));
        sync();
    }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
};
} // namespace

class TestX11Windows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void findsWindowUnderPointer();
    void browserClass_data();
    void browserClass();

private:
    XServer m_display;
};

void TestX11Windows::initTestCase() {
    if (!m_display.ok()) QSKIP("no X11 display");
}

void TestX11Windows::findsWindowUnderPointer() {
    XServer &d = m_display;
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

void TestX11Windows::browserClass_data() {
    QTest::addColumn<QString>("wmClass");
    QTest::addColumn<bool>("browser");
    for (const char *yes : {"Chromium", "Google-chrome", "Brave-browser", "Vivaldi-stable",
                            "firefox", "firefox-esr", "Firefox-esr"})
        QTest::newRow(yes) << QString(yes) << true;
    for (const char *no : {"", "XTerm", "chromium-extra", "Navigator", "firefox "})
        QTest::newRow(no) << QString(no) << false;
}

void TestX11Windows::browserClass() {
    QFETCH(QString, wmClass);
    QFETCH(bool, browser);
    QCOMPARE(X11Windows::isBrowserClass(wmClass), browser);
}

QTEST_GUILESS_MAIN(TestX11Windows)
#include "tst_x11windows.moc"
