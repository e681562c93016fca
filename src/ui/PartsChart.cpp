#include "ui/PartsChart.h"

#include "jobs/ListTexts.h"
#include "ui/DrawTransparent.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kTileW = 8, kTileH = 12, kStep = 9;
constexpr int kMinWidth = 300, kMaxWidth = 900, kLeft = 64, kTop = 30, kRow = 22;

// A tile with white (transparent) corners.
QImage tile(const QColor &fill, const QColor &edge) {
    QImage img(kTileW, kTileH, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(edge);
    p.setBrush(fill);
    p.drawRect(0, 0, kTileW - 1, kTileH - 1);
    p.end();
    for (int x : {0, kTileW - 1})
        for (int y : {0, kTileH - 1})
            img.setPixel(x, y, qRgb(255, 255, 255));
    return img;
}

const QImage &tileFor(int state) {
    static const QImage tiles[3] = {tile(QColor(0xe8, 0xec, 0xf1), QColor(0xc4, 0xcc, 0xd6)),
                                    tile(QColor(0x9c, 0xc2, 0xef), QColor(0x4a, 0x86, 0xd0)),
                                    tile(QColor(0x3a, 0x9d, 0x5d), QColor(0x24, 0x75, 0x42))};
    return tiles[qBound(0, state, 2)];
}

int tilesAcross(int width) {
    return (width - kLeft - 12) / kStep;
}
} // namespace

class PartsChart::Surface : public QWidget {
public:
    explicit Surface(PartsChart *chart) : QWidget(chart), m_chart(chart) {
        setObjectName(QStringLiteral("picDrawDot"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (!m_chart->m_blank) p.drawImage(0, 0, m_chart->m_picture);
    }

private:
    PartsChart *m_chart;
};

PartsChart::PartsChart(QWidget *parent) : QFrame(parent), m_surface(new Surface(this)) {
    setObjectName(QStringLiteral("picDraw"));
    setFrameShape(QFrame::Box);
    setStyleSheet(QStringLiteral("#picDraw { border: 1px solid #b8c2cc; background: white; }"));
    setCursor(Qt::OpenHandCursor);
    if (parent) parent->installEventFilter(this);
    blank();
}

int PartsChart::tileState(const DownJobRecord &job, qint64 from, qint64 to) {
    int best = 0;
    const int parts = qBound(0, int(job.Parts), kMaxParts);
    for (int k = 1; k <= parts; ++k) {
        const PartRange &r = job.part(k);
        if (r.EndPos < r.StartPos || to < r.StartPos || from > r.EndPos) continue;
        if (from >= r.StartPos && to < r.Pos) return 2;
        best = 1;
    }
    return best;
}

void PartsChart::blank() {
    m_blank = true;
    const int kWidth = chartWidth();
    m_picture = QImage(kWidth, kTop + kRow, QImage::Format_RGB32);
    m_picture.fill(Qt::white);
    resize(kWidth + 2, kTop + kRow + 2);
    m_surface->setGeometry(1, 1, kWidth, kTop + kRow);
    m_surface->update();
}

int PartsChart::chartWidth() const {
    const int room = parentWidget() ? parentWidget()->width() - 2 * x() : kMinWidth;
    return qBound(kMinWidth, room - 2, kMaxWidth);
}

bool PartsChart::eventFilter(QObject *watched, QEvent *event) {
    // The chart takes the width of its panel.
    if (watched == parentWidget() && event->type() == QEvent::Resize && !m_blank) showJob(m_job);
    return QFrame::eventFilter(watched, event);
}

void PartsChart::showJob(const DownJobRecord &job) {
    m_job = job;
    draw(job);
    m_blank = false;
    resize(m_picture.width() + 2, m_picture.height() + 2);
    m_surface->setGeometry(1, 1, m_picture.width(), m_picture.height());
    m_surface->update();
}

void PartsChart::draw(const DownJobRecord &job) {
    const int parts = qBound(0, int(job.Parts), kMaxParts);
    const int kWidth = chartWidth();
    m_picture = QImage(kWidth, kTop + kRow * (parts + 1) + 6, QImage::Format_RGB32);
    m_picture.fill(Qt::white);
    QPainter p(&m_picture);
    p.setPen(QColor(0x33, 0x3b, 0x45));
    QFont bold = p.font();
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRect(8, 4, kWidth - 16, 20), Qt::AlignLeft | Qt::AlignVCenter, job.FileName);
    p.setFont(QFont(p.font().family(), p.font().pointSize()));
    p.drawText(QRect(8, 4, kWidth - 16, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("%1 of %2 bytes, %3")
                   .arg(job.Received)
                   .arg(job.TotalSize)
                   .arg(ListTexts::percent(job.Received, job.TotalSize)));
    p.drawText(QRect(8, kTop, kLeft - 8, kTileH), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("File"));
    for (int k = 1; k <= parts; ++k)
        p.drawText(QRect(8, kTop + kRow * k, kLeft - 8, kTileH), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Part ") + QString::number(k));
    p.end();

    const int across = tilesAcross(kWidth);
    const qint64 total = qMax<qint64>(1, job.TotalSize);
    auto byteAt = [&](int i) { return qint64(double(total) * i / across); };
    for (int i = 0; i < across; ++i) {
        const int state = job.TotalSize > 0 ? tileState(job, byteAt(i), byteAt(i + 1) - 1) : 0;
        DrawTransparent(m_picture, tileFor(state), kLeft + i * kStep, kTop, Qt::white);
    }
    for (int k = 1; k <= parts; ++k) {
        const PartRange &r = job.part(k);
        for (int i = 0; i < across; ++i) {
            const qint64 from = byteAt(i), to = byteAt(i + 1) - 1;
            if (to < r.StartPos || from > r.EndPos) continue;
            const int state = from >= r.StartPos && to < r.Pos ? 2 : 1;
            DrawTransparent(m_picture, tileFor(state), kLeft + i * kStep, kTop + kRow * k,
                            Qt::white);
        }
    }
}

void PartsChart::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_grab = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
}

void PartsChart::mouseMoveEvent(QMouseEvent *event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton) || !parentWidget()) return;
    QPoint to = mapToParent(event->position().toPoint() - m_grab);
    const QRect room = parentWidget()->rect();
    to.setX(qBound(qMin(0, room.width() - width()), to.x(), qMax(0, room.width() - width())));
    to.setY(qBound(qMin(0, room.height() - height()), to.y(), qMax(0, room.height() - height())));
    move(to);
}

void PartsChart::mouseReleaseEvent(QMouseEvent *) {
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
}
