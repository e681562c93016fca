#pragma once
// Windows of a test's own on the X display (Xvfb), made through a connection
// of the test's own, and the pointer moved by the server's test extension.

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

struct X11TestDisplay {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = 0;
    X11TestDisplay() {
        if (!xcb_connection_has_error(c))
            root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~X11TestDisplay() { xcb_disconnect(c); }
    X11TestDisplay(const X11TestDisplay &) = delete;
    X11TestDisplay &operator=(const X11TestDisplay &) = delete;
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
    // WM_CLASS is "instance\0class\0".
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
    // Moves the pointer (a warp: no device input) and waits until the server
    // has done everything asked.
    void pointerTo(int x, int y) {
        xcb_warp_pointer(c, XCB_NONE, root, 0, 0, 0, 0, int16_t(x), int16_t(y));
        sync();
    }
    // Device input as a user makes it: the events reach the windows' owners.
    void motion(int x, int y) {
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, int16_t(x), int16_t(y),
                            0);
        sync();
    }
    void button(bool down) {
        xcb_test_fake_input(c, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        sync();
    }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
};
