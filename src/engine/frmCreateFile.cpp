#include "engine/frmCreateFile.h"

#include "kit/PlaceDialog.h"

#include <QProgressBar>
#include <QVBoxLayout>
#include <climits>

frmCreateFile::frmCreateFile(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_bar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmCreateFile"));
    setWindowTitle(tr("Create File"));
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    resize(320, 60);
    PlaceDialog(this);
}

void frmCreateFile::Progress(qint64 done, qint64 total) {
    if (done <= 0) {
        m_clock.start();
        m_bar->setRange(0, int(qBound<qint64>(1, total, qint64(INT_MAX))));
        m_bar->setValue(0);
        return;
    }
    if (done >= total) {
        hide();
        return;
    }
    m_bar->setValue(int(qMin<qint64>(done, qint64(INT_MAX))));
    if (!isVisible() && m_clock.isValid() && m_clock.elapsed() >= m_showAfterMs) show();
    if (isVisible()) m_bar->repaint(); // the allocation runs on this thread: paint now
}
