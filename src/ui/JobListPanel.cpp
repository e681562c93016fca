#include "ui/JobListPanel.h"

#include "session/AppCore.h"
#include "ui/ReportList.h"

#include <QTreeView>

JobListPanel::JobListPanel(AppCore &core, QWidget *parent) : QStackedWidget(parent), m_core(core) {
    setObjectName(QStringLiteral("picLists"));
    JobLists &lists = core.lists;
    m_downHtml = makeReportList("lvDownHtml", &lists.lvDownHtml,
                                {24, 80, 160, 70, 70, 60, 50, 70, 80}, this);
    m_nowDown = makeReportList("lvNowDown", &lists.lvNowDown, {26, 190, 80, 80, 60, 40, 300}, this);
    m_haveDown = makeReportList("lvHaveDown", &lists.lvHaveDown, {220, 80, 300}, this);
    for (QTreeView *v : {m_downHtml, m_nowDown, m_haveDown})
        addWidget(v);
    m_nowDown->setSelectionMode(QAbstractItemView::SingleSelection);
    wire(m_downHtml, QStringLiteral("popHTML"));
    wire(m_nowDown, QStringLiteral("popNowDown"));
    wire(m_haveDown, QStringLiteral("mnuEdit"));

    connect(m_nowDown->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_core.view.selectNowDownJob(currentJobOf(m_nowDown)); });
    connect(m_haveDown, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        m_core.view.selectCompletedJob(completedJobAt(index));
        emit selectionSettled();
    });
    connect(m_haveDown, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        const int job = completedJobAt(index);
        if (m_core.DownJobs.isValid(job))
            emit openFileWanted(m_core.DownJobs[job].SavePath.trimmed());
        emit selectionSettled();
    });
    connect(m_downHtml, &QTreeView::clicked, this,
            [this] { m_core.view.SelectedSearchIndex = currentJobOf(m_downHtml); });
    for (QTreeView *v : {m_nowDown, m_downHtml})
        connect(v, &QTreeView::clicked, this, &JobListPanel::selectionSettled);
}

void JobListPanel::wire(QTreeView *view, const QString &popup) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view, popup](const QPoint &pos) {
                if (view->indexAt(pos).isValid() || popup == QLatin1String("mnuEdit"))
                    emit popupWanted(popup, view->viewport()->mapToGlobal(pos));
            });
}

QTreeView *JobListPanel::listOfView(int view) const {
    return view == 1 ? m_downHtml : view == 2 ? m_nowDown : m_haveDown;
}

void JobListPanel::showView(int view) {
    setCurrentWidget(listOfView(view));
}

int JobListPanel::completedJobAt(const QModelIndex &index) const {
    if (!index.isValid()) return 0;
    return index.siblingAtColumn(0).data(ListRowModel::TagRole).toInt();
}
