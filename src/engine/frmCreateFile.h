#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QProgressBar;

// The small always-on-top window that shows the pre-allocation of a new
// file. It appears only when the allocation takes long enough to be seen
// (the file system's fast allocation finishes before that).
class frmCreateFile : public QWidget {
    Q_OBJECT
public:
    explicit frmCreateFile(QWidget *parent = nullptr);
    void setShowAfterMs(int ms) { m_showAfterMs = ms; }

public slots:
    // Bytes done of total; (0, total) starts, (total, total) ends.
    void Progress(qint64 done, qint64 total);

private:
    QProgressBar *m_bar;
    QElapsedTimer m_clock;
    int m_showAfterMs = 300;
};
