#include "browser/frmTop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWindow>

namespace {
constexpr int kFace = 48;
constexpr int kPicker = 24;

QLabel *picture(const QString &name, const QString &icon, int size, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedSize(size, size);
    label->setPixmap(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)).pixmap(size, size));
    return label;
}
} // namespace

frmTop::frmTop(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
    setObjectName(QStringLiteral("frmTop"));
    setWindowTitle(QStringLiteral("Top Window"));
    Image1 = picture(QStringLiteral("Image1"), QStringLiteral("TopFace"), kFace, this);
    Image1->setAcceptDrops(true);
    Image1->setToolTip(QStringLiteral("Drop a link here to download it"));
    Image2 = picture(QStringLiteral("Image2"), QStringLiteral("TopPick"), kPicker, this);
    Image3 = picture(QStringLiteral("Image3"), QStringLiteral("TopPick"), kPicker, this);
    Image4 = picture(QStringLiteral("Image4"), QStringLiteral("TopPicking"), kPicker, this);
    Image3->hide();
    Image4->hide();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(Image1);
    layout->addWidget(Image2, 0, Qt::AlignBottom);
    Image1->installEventFilter(this);
    Image2->installEventFilter(this);
    setFixedSize(sizeHint());
}

void frmTop::hidePicker(const QString &why) {
    Image2->hide();
    Image1->setToolTip(Image1->toolTip() + QLatin1Char('\n') + why);
    setFixedSize(sizeHint());
}

QString frmTop::droppedText(const QMimeData *mime) {
    if (!mime) return {};
    if (mime->hasText()) return mime->text().trimmed();
    if (mime->hasUrls() && !mime->urls().isEmpty())
        return mime->urls().first().toString().trimmed();
    return {};
}

bool frmTop::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Image1) return faceEvent(event);
    if (watched == Image2 && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            emit popupWanted(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return false;
}

bool frmTop::faceEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_dragging = true;
            m_grab = mouse->globalPosition().toPoint() - pos();
        } else if (mouse->button() == Qt::RightButton) {
            emit popupWanted(mouse->globalPosition().toPoint());
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_dragging && (mouse->buttons() & Qt::LeftButton))
            dragTo(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) m_dragging = false;
        return true;
    case QEvent::MouseButtonDblClick:
        m_dragging = false;
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) emit faceDoubleClicked();
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (droppedText(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString text = droppedText(drop->mimeData());
        if (text.isEmpty()) return false; // other formats are ignored
        drop->acceptProposedAction();
        emit textDropped(text);
        return true;
    }
    default:
        return false;
    }
}

void frmTop::dragTo(const QPoint &globalPos) {
    // The window manager moves the window from here on; where it cannot,
    // the window follows the pointer itself.
    if (QWindow *window = windowHandle(); window && window->startSystemMove()) {
        m_dragging = false;
        return;
    }
    move(globalPos - m_grab);
}
