#include "platform/X11Windows.h"

#include <QList>
#include <QStringList>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {
// Replies are malloc'ed by xcb.
template <class T> struct Reply {
    T *p;
    explicit Reply(T *reply) : p(reply) {}
    ~Reply() { std::free(p); }
    Reply(const Reply &) = delete;
    Reply &operator=(const Reply &) = delete;
    T *operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

constexpr int kMaxDepth = 16;   // nesting followed below the root
constexpr int kMaxLooked = 256; // windows searched below a frame
} // namespace

X11Windows::X11Windows(const QByteArray &display) {
    int screenNumber = 0;
    xcb_connection_t *c =
        xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    m_connection = c;
    m_root = it.data->root;
}

X11Windows::~X11Windows() {
    if (m_connection) xcb_disconnect(m_connection);
}

quint32 X11Windows::atom(const char *name) {
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 1, uint16_t(std::strlen(name)), name),
        nullptr));
    return r ? r->atom : 0;
}

QByteArray X11Windows::property(quint32 window, quint32 property, quint32 type, quint32 maxBytes) {
    if (!property) return {};
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, property, type, 0, (maxBytes + 3) / 4), nullptr));
    if (!r || r->type == XCB_NONE) return {};
    const int length = xcb_get_property_value_length(r.p);
    if (length <= 0) return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(r.p)),
                      qMin(length, int(maxBytes)));
}

bool X11Windows::hasWmState(quint32 window) {
    const quint32 wmState = atom("WM_STATE");
    if (!wmState) return false;
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, wmState, XCB_ATOM_ANY, 0, 0),
        nullptr));
    return r && r->type != XCB_NONE;
}

quint32 X11Windows::topLevelOf(quint32 window) {
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        if (!tree) return 0;
        if (tree->parent == m_root || tree->parent == XCB_NONE) return window;
        window = tree->parent;
    }
    return 0;
}

bool X11Windows::windowUnderPointer(X11WindowInfo &info) {
    if (!m_connection) return false;
    quint32 window = m_root, topLevel = 0;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        Reply<xcb_query_pointer_reply_t> r(xcb_query_pointer_reply(
            m_connection, xcb_query_pointer(m_connection, window), nullptr));
        if (!r || r->child == XCB_NONE) break;
        window = r->child;
        if (!topLevel) topLevel = window;
        if (hasWmState(window)) return describe(window, info);
    }
    // Over a frame's decoration: the client is somewhere below the frame.
    if (!topLevel) return false;
    const quint32 client = clientBelow(topLevel);
    return describe(client ? client : topLevel, info);
}

quint32 X11Windows::clientBelow(quint32 topLevel) {
    QList<quint32> level{topLevel};
    int looked = 0;
    for (int depth = 0; depth < 4 && !level.isEmpty(); ++depth) {
        QList<quint32> next;
        for (quint32 window : level) {
            Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
            if (!tree) continue;
            const xcb_window_t *children = xcb_query_tree_children(tree.p);
            const int count = xcb_query_tree_children_length(tree.p);
            for (int i = count - 1; i >= 0; --i) { // topmost first
                if (++looked > kMaxLooked) return 0;
                if (hasWmState(children[i])) return children[i];
                next.append(children[i]);
            }
        }
        level = next;
    }
    return 0;
}

bool X11Windows::describe(quint32 window, X11WindowInfo &info) {
    if (!m_connection || !window) return false;
    const quint32 topLevel = topLevelOf(window);
    if (!topLevel) return false;
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, topLevel), nullptr));
    if (!geometry) return false;
    Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, topLevel, m_root, 0, 0), nullptr));
    if (!at) return false;
    X11WindowInfo found;
    found.window = window;
    found.topLevel = topLevel;
    const int border = geometry->border_width;
    found.outer = QRect(at->dst_x - border, at->dst_y - border, geometry->width + 2 * border,
                        geometry->height + 2 * border);
    const QList<QByteArray> classes =
        property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 1024).split('\0');
    if (!classes.isEmpty()) found.instance = QString::fromLatin1(classes.value(0));
    found.wmClass = QString::fromLatin1(classes.value(1));
    const QByteArray netName = property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    found.title =
        netName.isEmpty()
            ? QString::fromLatin1(property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY))
            : QString::fromUtf8(netName);
    const QByteArray pid = property(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 4);
    if (pid.size() == 4) {
        quint32 value = 0;
        std::memcpy(&value, pid.constData(), 4); // CARDINAL: native byte order
        found.pid = value;
    }
    info = found;
    return true;
}

bool X11Windows::isBrowserClass(const QString &wmClass) {
    static const QStringList browsers{"chromium",       "google-chrome", "brave-browser",
                                      "vivaldi-stable", "vivaldi",       "firefox",
                                      "firefox-esr"};
    return browsers.contains(wmClass.toLower());
}
