#include "ui/Resizer.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {
const char *const kListViewMark = "mqListView";
bool isListView(const QWidget *w) {
    return w->property(kListViewMark).toBool();
}
} // namespace

void Resizer::markListView(QWidget *widget) {
    widget->setProperty(kListViewMark, true);
}

Resizer::Resizer(QWidget *parent) : QFrame(parent) {
    m_separator = new QLabel(this);
    m_separator->setObjectName(QStringLiteral("lblResizer"));
    m_separator->installEventFilter(this);
    setBorderStyle(1);
    updateCursor();
}

void Resizer::changed(const char *name) {
    emit propertyChanged(QString::fromLatin1(name));
}

QWidget *Resizer::pane(int n) const {
    int seen = 0;
    for (QObject *child : children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || w == m_separator || w->isWindow()) continue;
        if (++seen == n) return w;
    }
    return nullptr;
}

void Resizer::setSeparatorSize(int twips) {
    m_separatorSize = qMax(0, twips);
    changed("SeparatorSize");
    layoutPanes();
}

void Resizer::setOrientation(int orientation) {
    m_orientation = orientation == 0 ? 0 : 1;
    updateCursor();
    changed("Orientation");
    layoutPanes();
}

void Resizer::setBorderStyle(int style) {
    m_borderStyle = style;
    setFrameShape(style == 0 ? QFrame::NoFrame : QFrame::StyledPanel);
    changed("BorderStyle");
}

void Resizer::setInvertControls(bool invert) {
    m_invert = invert;
    changed("InvertControls");
    layoutPanes();
}

QColor Resizer::BackColor() const {
    return palette().color(QPalette::Window);
}

void Resizer::setBackColor(const QColor &color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
    setAutoFillBackground(true);
    changed("BackColor");
}

void Resizer::setAppearance(int appearance) {
    m_appearance = appearance;
    setFrameShadow(appearance == 0 ? QFrame::Plain : QFrame::Sunken);
    changed("Appearance");
}

void Resizer::setEnabled(bool enabled) {
    QFrame::setEnabled(enabled);
    for (int n = 1; n <= 2; ++n)
        if (QWidget *w = pane(n)) w->setEnabled(enabled);
    changed("Enabled");
}

QString Resizer::ControlName1() const {
    QWidget *w = startControl();
    return w ? w->objectName() : QString();
}

QString Resizer::ControlName2() const {
    QWidget *w = endControl();
    return w ? w->objectName() : QString();
}

void Resizer::setControlName1(const QString &name) {
    if (QWidget *w = startControl()) w->setObjectName(name);
    changed("ControlName1");
}

void Resizer::setControlName2(const QString &name) {
    if (QWidget *w = endControl()) w->setObjectName(name);
    changed("ControlName2");
}

void Resizer::setMinControlSize1(int twips) {
    m_min[0] = twips;
    changed("MinControlSize1");
}

void Resizer::setMinControlSize2(int twips) {
    m_min[1] = twips;
    changed("MinControlSize2");
}

void Resizer::setCanResize(bool canResize) {
    m_canResize = canResize;
    updateCursor();
    changed("CanResize");
}

void Resizer::updateCursor() {
    if (!m_canResize)
        m_separator->setCursor(Qt::ArrowCursor);
    else
        m_separator->setCursor(m_orientation == 0 ? Qt::SplitVCursor : Qt::SplitHCursor);
}

void Resizer::setPaneVisible(int index, bool visible) {
    m_visible[index] = visible;
    changed(index == 0 ? "Control1Visible" : "Control2Visible");
    const int other = 1 - index;
    if (!visible && !m_visible[other]) {
        m_visible[other] = true; // one pane is always shown
        changed(other == 0 ? "Control1Visible" : "Control2Visible");
    }
    layoutPanes();
}

int Resizer::along(const QRect &r) const {
    return m_orientation == 0 ? r.height() : r.width();
}

int Resizer::innerLength() const {
    return along(contentsRect());
}

int Resizer::paneSize(int index) const {
    QWidget *w = pane(index + 1);
    return w ? toTwips(along(w->geometry())) : 0;
}

void Resizer::setPaneSize(int index, int twips) {
    QWidget *w = pane(index + 1);
    if (!w) return;
    // The pane's own slot decides its minimum; the other slot keeps its own.
    const bool inStart = (index == 0) != m_invert;
    const int ownMin = toPixels(m_min[inStart ? 0 : 1]);
    const int otherMin = toPixels(m_min[inStart ? 1 : 0]);
    const int room = innerLength() - toPixels(m_separatorSize);
    int size = qMax(toPixels(twips), ownMin);
    size = qMin(size, room - otherMin);
    QRect g = w->geometry();
    if (m_orientation == 0)
        g.setHeight(size);
    else
        g.setWidth(size);
    w->setGeometry(g);
    if (!inStart && startControl()) {
        QWidget *start = startControl();
        QRect s = start->geometry();
        if (m_orientation == 0)
            s.setHeight(room - size);
        else
            s.setWidth(room - size);
        start->setGeometry(s);
    }
    changed(index == 0 ? "Control1Size" : "Control2Size");
    layoutPanes();
}

void Resizer::fill(QWidget *w) {
    QRect r = contentsRect();
    if (isListView(w)) r.adjust(-toPixels(15), -toPixels(15), toPixels(15), toPixels(15));
    w->setGeometry(r);
    w->show();
}

void Resizer::placeOne(QWidget *w, int offset, int length) {
    const QRect inner = contentsRect();
    QRect r = m_orientation == 0
                  ? QRect(inner.left(), inner.top() + offset, inner.width(), length)
                  : QRect(inner.left() + offset, inner.top(), length, inner.height());
    if (isListView(w)) {
        const int shift = toPixels(15), grow = toPixels(30);
        r.translate(-shift, -shift);
        if (m_orientation == 0)
            r.setWidth(r.width() + grow);
        else
            r.setHeight(r.height() + grow);
    }
    w->setGeometry(r);
}

void Resizer::place(QWidget *start, QWidget *end, int startLength) {
    const int sep = toPixels(m_separatorSize);
    const int inner = innerLength();
    placeOne(start, 0, startLength);
    placeOne(end, startLength + sep, inner - startLength - sep);
    const QRect in = contentsRect();
    m_separator->setGeometry(m_orientation == 0
                                 ? QRect(in.left(), in.top() + startLength, in.width(), sep)
                                 : QRect(in.left() + startLength, in.top(), sep, in.height()));
    m_separator->show();
    m_separator->raise();
}

void Resizer::layoutPanes() {
    QWidget *p1 = pane(1), *p2 = pane(2);
    if (!p1 || !p2) return;
    if (!m_visible[0] || !m_visible[1]) {
        QWidget *shown = m_visible[0] ? p1 : p2;
        (m_visible[0] ? p2 : p1)->hide();
        m_separator->hide();
        fill(shown);
        emit SizeChanged();
        return;
    }
    QWidget *start = startControl(), *end = endControl();
    int startLength = along(start->geometry());
    if (p1->isHidden() || p2->isHidden()) {
        p1->show();
        p2->show();
        startLength = innerLength() / 2;
    }
    const int room = innerLength() - toPixels(m_separatorSize);
    startLength = qMax(startLength, toPixels(m_min[0]));
    if (room - startLength < toPixels(m_min[1])) startLength = room - toPixels(m_min[1]);
    place(start, end, startLength);
    emit SizeChanged();
}

void Resizer::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    layoutPanes();
}

void Resizer::dragTo(const QPointF &pos) {
    QWidget *start = startControl(), *end = endControl();
    if (!start || !end) return;
    int offset = int(m_orientation == 0 ? pos.y() - m_pressPos.y() : pos.x() - m_pressPos.x());
    const int startLength = along(start->geometry());
    const int endLength = along(end->geometry());
    const int lowest = toPixels(m_min[0]) - startLength;
    const int highest = endLength - toPixels(m_min[1]);
    if (offset < lowest) offset = lowest;
    if (offset > highest) offset = highest;
    if (offset != 0) place(start, end, startLength + offset);
    emit SizeChanged();
}

bool Resizer::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_separator) return QFrame::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton) break;
        if (!m_canResize || !startControl() || !endControl()) {
            m_separator->setCursor(Qt::ArrowCursor);
            m_dragging = false;
            return true;
        }
        m_dragging = true;
        m_pressPos = me->position();
        return true;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (m_dragging && m_canResize && (me->buttons() & Qt::LeftButton)) {
            dragTo(me->position());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

QVariantMap Resizer::writeProperties() const {
    QVariantMap bag;
    const Resizer defaults;
    auto put = [&](const char *name, const QVariant &value, const QVariant &byDefault) {
        if (value != byDefault) bag.insert(QString::fromLatin1(name), value);
    };
    put("SeparatorSize", m_separatorSize, 45);
    put("Orientation", m_orientation, 1);
    put("BorderStyle", m_borderStyle, 1);
    put("InvertControls", m_invert, false);
    put("BackColor", BackColor(), defaults.BackColor());
    put("Appearance", m_appearance, 1);
    put("Enabled", isEnabled(), true);
    put("ControlName1", ControlName1(), QString());
    put("ControlName2", ControlName2(), QString());
    put("MinControlSize1", m_min[0], 90);
    put("MinControlSize2", m_min[1], 90);
    put("Control1Visible", m_visible[0], true);
    put("Control2Visible", m_visible[1], true);
    put("Control1Size", Control1Size(), 0);
    put("Control2Size", Control2Size(), 0);
    put("CanResize", m_canResize, true);
    return bag;
}

void Resizer::readProperties(const QVariantMap &bag) {
    for (auto it = bag.constBegin(); it != bag.constEnd(); ++it)
        setProperty(it.key().toLatin1().constData(), it.value());
}
