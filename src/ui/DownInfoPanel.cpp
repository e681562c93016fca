#include "ui/DownInfoPanel.h"

#include "engine/JobLog.h"
#include "kit/LogBandProxy.h"
#include "session/AppCore.h"
#include "ui/PartsChart.h"
#include "ui/ReportList.h"
#include "ui/Resizer.h"

#include <QHeaderView>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

DownInfoPanel::DownInfoPanel(AppCore &core, QWidget *parent) : QWidget(parent), m_core(core) {
    setObjectName(QStringLiteral("picDownInfo"));
    auto *split = new Resizer(this);
    split->setObjectName(QStringLiteral("Resizer3"));
    split->setBorderStyle(0);
    split->setSeparatorSize(75);
    auto *fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(split);
    JobLists &lists = core.lists;
    m_tree = makeReportList(QStringLiteral("tvNowDown"), &lists.tvNowDown, {}, split);
    m_tree->setHeaderHidden(true);
    m_tree->setAlternatingRowColors(false);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setProperty("mqListView", false);
    m_tree->resize(150, m_tree->height());
    m_pages = new QStackedWidget(split);
    m_pages->setObjectName(QStringLiteral("picDetail"));
    for (int i = 0; i < 2; ++i) {
        m_response[i] = makeReportList(QStringLiteral("lvResponse"), &lists.lvResponse[i],
                                       {i == 0 ? 130 : 150}, m_pages);
        m_response[i]->setProperty("Index", i);
        m_pages->addWidget(m_response[i]);
    }
    // The log list: rows on their icon's colour band, the newest line selected.
    QTreeView *log = m_response[1];
    log->setModel(new LogBandProxy(log->model(), &JobLog::BandColour, log));
    log->setAlternatingRowColors(false);
    log->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(log->model(), &QAbstractItemModel::rowsInserted, log, [log] {
        const QModelIndex last = log->model()->index(log->model()->rowCount() - 1, 0);
        log->setCurrentIndex(last);
        log->scrollTo(last);
    });
    auto *chartPage = new QFrame(m_pages);
    chartPage->setFrameShape(QFrame::StyledPanel);
    m_chartPage = chartPage;
    m_chartPage->setObjectName(QStringLiteral("picChart"));
    m_chartPage->setAutoFillBackground(true);
    m_chartPage->setBackgroundRole(QPalette::Base);
    m_chart = new PartsChart(m_chartPage);
    m_chart->move(8, 8);
    m_pages->addWidget(m_chartPage);

    connect(m_tree, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        m_core.view.selectDetailNode(
            index.siblingAtColumn(0).data(ListRowModel::KeyRole).toString());
    });
    connect(&core.view, &MainView::detailPageChanged, this, &DownInfoPanel::showPage);
    connect(&core.view, &MainView::selectedJobProgressed, this, &DownInfoPanel::refresh);
    connect(&core.view, &MainView::detailJobChanged, this, [this](int job) {
        m_job = job;
        if (job == 0)
            m_chart->blank();
        else
            m_chart->showJob(m_core.DownJobs[job]);
        showPage(0);
    });
}

void DownInfoPanel::showPage(int page) {
    m_page = page;
    m_pages->setCurrentWidget(page == 0  ? static_cast<QWidget *>(m_response[0])
                              : page < 0 ? m_chartPage
                                         : static_cast<QWidget *>(m_response[1]));
}

void DownInfoPanel::refresh() {
    const int job = m_core.view.SelectedJob;
    if (job == 0 || !m_core.DownJobs.isValid(job)) return;
    if (m_page == 0)
        m_core.lists.RefreshRunningInfo(job);
    else if (m_page < 0)
        m_chart->showJob(m_core.DownJobs[job]);
}
