#include "ui/FileInfoPanel.h"

#include "kit/IconSet.h"
#include "session/AppCore.h"
#include "ui/ReportList.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSlider>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

FileInfoPanel::FileInfoPanel(AppCore &core, QToolBar *tbOper, QWidget *parent) : Resizer(parent) {
    setObjectName(QStringLiteral("picFileInfo"));
    setOrientation(0);
    setBorderStyle(0);
    setSeparatorSize(0);
    setCanResize(false);

    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("picPlayBar"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 6, 0);
    row->addWidget(tbOper);
    auto *slider = new QSlider(Qt::Horizontal, bar);
    slider->setObjectName(QStringLiteral("Slider1"));
    slider->setEnabled(false);
    row->addWidget(slider, 1);
    const int barHeight = qMax(28, tbOper->sizeHint().height());
    bar->resize(400, barHeight);
    setMinControlSize1(toTwips(barHeight));

    m_resizer4 = new Resizer(this);
    m_resizer4->setObjectName(QStringLiteral("Resizer4"));
    m_resizer4->setBorderStyle(0);
    m_resizer4->setSeparatorSize(75);
    m_player = new QLabel(m_resizer4);
    m_player->setObjectName(QStringLiteral("flash1"));
    auto *player = static_cast<QLabel *>(m_player);
    player->setAlignment(Qt::AlignCenter);
    player->setPixmap(IconSet::icon(QStringLiteral("Play")).pixmap(48, 48));
    player->setStyleSheet(QStringLiteral("#flash1 { background: #20262e; border-radius: 3px; }"));
    player->resize(360, 200);
    auto *side = new QWidget(m_resizer4);
    side->setObjectName(QStringLiteral("picInfoSide"));
    auto *column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    m_info =
        makeReportList(QStringLiteral("lvHaveDownInfo"), &core.lists.lvHaveDownInfo, {120}, side);
    column->addWidget(m_info, 1);
    m_picture = new QLabel(side);
    m_picture->setObjectName(QStringLiteral("picMovie"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->hide();
    column->addWidget(m_picture);
    m_info->setSelectionMode(QAbstractItemView::SingleSelection);
    m_info->header()->setSectionsClickable(false); // a flat header
}
