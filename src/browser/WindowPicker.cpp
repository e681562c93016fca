#include "browser/WindowPicker.h"

#include "browser/WindowHighlight.h"
#include "browser/frmDragMessage.h"
#include "session/FoundMovieList.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace {
std::unique_ptr<X11Windows> openWindows() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    return std::make_unique<X11Windows>();
}

// X11 reports device pixels; Qt places windows in device-independent ones.
QRect toLogical(const QRect &device) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    if (ratio == 1.0) return device;
    return QRectF(device.x() / ratio, device.y() / ratio, device.width() / ratio,
                  device.height() / ratio)
        .toAlignedRect();
}
} // namespace

WindowPicker::WindowPicker(QWidget *image2, FoundMovieList &scan, QObject *parent)
    : WindowPicker(image2, scan, openWindows(), parent) {}

WindowPicker::WindowPicker(QWidget *image2, FoundMovieList &scan,
                           std::unique_ptr<X11Windows> windows, QObject *parent)
    : QObject(parent), m_image2(image2), m_scan(scan), m_windows(std::move(windows)) {
    m_available = m_windows && m_windows->isOpen();
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kDefaultTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_pending = 0;
        settle();
    });
    if (!m_image2) return;
    if (!m_available) {
        m_image2->setToolTip(unavailableToolTip());
        return;
    }
    m_message = new frmDragMessage;
    m_highlight = new WindowHighlight;
    m_image2->installEventFilter(this);
}

WindowPicker::~WindowPicker() {
    delete m_message;
    delete m_highlight;
}

const QString &WindowPicker::unavailableToolTip() {
    static const QString text = QStringLiteral(
        "Picking a browser window needs an X11 session. Use the browser's \"Scan this page "
        "for Flash movies\" entry instead.");
    return text;
}

void WindowPicker::setPictures(QLabel *image3, QLabel *image4) {
    m_image3 = image3;
    m_image4 = image4;
}

void WindowPicker::setMainWindow(QWidget *mainWindow, int *SavedMainState) {
    m_main = mainWindow;
    m_savedMainState = SavedMainState;
}

int WindowPicker::stateOf(const QWidget *window) {
    if (!window) return Normal;
    if (window->isMinimized()) return Minimized;
    if (window->isMaximized()) return Maximized;
    return Normal;
}

void WindowPicker::applyState(QWidget *window, int state) {
    if (!window) return;
    switch (state) {
    case Minimized:
        window->showMinimized();
        break;
    case Maximized:
        window->showMaximized();
        break;
    default:
        window->showNormal();
        break;
    }
}

bool WindowPicker::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_image2) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        press();
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!(mouse->buttons() & Qt::LeftButton) || !m_dragging) return false;
        move();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !m_dragging) return false;
        release();
        return true;
    }
    default:
        return false;
    }
}

void WindowPicker::setPicture(QLabel *from) {
    auto *label = qobject_cast<QLabel *>(m_image2.data());
    if (!label || !from) return;
    const QPixmap picture = from->pixmap();
    if (!picture.isNull()) label->setPixmap(picture);
}

void WindowPicker::press() {
    m_dragging = true;
    m_dropWaits = false; // a drop still waiting for its scan is given up
    m_pending = 0;
    m_deadline.stop();
    setPicture(m_image4);
    QWidget *targets[2] = {m_image2, m_image2 ? m_image2->window() : nullptr};
    for (int i = 0; i < 2; ++i) {
        SavedCursor &saved = m_savedCursors[i];
        saved.widget = targets[i];
        if (!targets[i]) continue;
        saved.set = targets[i]->testAttribute(Qt::WA_SetCursor);
        saved.cursor = targets[i]->cursor();
        targets[i]->setCursor(Qt::CrossCursor);
    }
    if (m_savedMainState) *m_savedMainState = stateOf(m_main);
    if (m_main) m_main->showMinimized();
}

void WindowPicker::move() {
    X11WindowInfo info;
    const bool found = m_windows->windowUnderPointer(info);
    if (m_message->isVisible()) m_message->follow(QCursor::pos());
    const quint32 window = found ? info.window : 0;
    if (window == m_lastWindow) return;

    // Another window: whatever was shown or asked for the last one is over.
    m_lastWindow = window;
    m_lastOuter = toLogical(info.outer);
    m_pending = 0;
    m_deadline.stop();
    m_highlight->hide();
    m_message->hide();
    if (!found || !m_channel || !X11Windows::isBrowserClass(info.wmClass)) return;

    const quint64 request = ++m_nextRequest;
    m_pending = request;
    m_deadline.start();
    ScanTarget target;
    target.window = info.window;
    target.pid = info.pid;
    target.wmClass = info.wmClass;
    target.title = info.title;
    QPointer<WindowPicker> self(this);
    m_channel->requestScan(target, [self, request](const std::optional<PageScanResult> &page) {
        if (self) self->answer(request, page);
    });
}

void WindowPicker::answer(quint64 request, const std::optional<PageScanResult> &page) {
    if (request == 0 || request != m_pending) return; // the pointer has moved on
    m_pending = 0;
    m_deadline.stop();
    if (page && PageMovies::isScannablePage(page->documentUrl)) {
        const int count = PageMovies::storeScan(m_scan, *page);
        if (m_dragging) {
            m_highlight->showOver(m_lastOuter);
            m_message->showReport(count, QCursor::pos());
        }
    }
    settle();
}

void WindowPicker::settle() {
    if (!m_dropWaits) return;
    m_dropWaits = false;
    finishDrop();
}

void WindowPicker::release() {
    m_dragging = false;
    setPicture(m_image3);
    for (SavedCursor &saved : m_savedCursors) {
        if (!saved.widget) continue;
        if (saved.set)
            saved.widget->setCursor(saved.cursor);
        else
            saved.widget->unsetCursor();
    }
    m_message->hide();
    m_highlight->hide();
    if (m_savedMainState) applyState(m_main, *m_savedMainState);
    // Dropped before the page under the pointer answered: the hand-over waits
    // for it (or for its deadline).
    if (m_pending) {
        m_dropWaits = true;
        return;
    }
    finishDrop();
}

void WindowPicker::finishDrop() {
    if (m_scan.FoundCount > 0) emit handOver();
}
