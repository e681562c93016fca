#pragma once

#include "jobs/DownJobRecord.h"

#include <QFrame>
#include <QImage>
#include <QPoint>

// The parts chart of a job in progress. `picDraw` is a frame the user can drag
// inside its panel with the left button; its surface `picDrawDot` shows the
// file as a bar of small tiles, each part's byte range beneath it, and how
// far each part has come. Tiles are placed with DrawTransparent, white being
// the transparent colour, so their rounded corners keep the background.
class PartsChart : public QFrame {
    Q_OBJECT
public:
    explicit PartsChart(QWidget *parent = nullptr);

    void showJob(const DownJobRecord &job);
    void blank();
    bool isBlank() const { return m_blank; }
    const QImage &picture() const { return m_picture; }

    // Tile states of a byte range [from, to] of the file: 2 received,
    // 1 belongs to a part still running, 0 not yet assigned.
    static int tileState(const DownJobRecord &job, qint64 from, qint64 to);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void draw(const DownJobRecord &job);
    int chartWidth() const;
    DownJobRecord m_job;
    class Surface;
    Surface *m_surface;
    QImage m_picture;
    bool m_blank = true;
    bool m_dragging = false;
    QPoint m_grab;
};
