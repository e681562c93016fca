#include "jobs/MainView.h"

#include "jobs/CategoryTree.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"

#include <QFileInfo>

MainView::MainView(JobTable &jobs, JobLists &lists, QObject *parent)
    : QObject(parent), m_jobs(jobs), m_lists(lists) {}

void MainView::selectNode(const QString &key, double now) {
    HistoryDays = 0;
    if (key == TreeKey::Root) return;
    m_nodeKey = key;
    if (key == TreeKey::NowSearch || key == TreeKey::NowDownLoad) {
        CurrentView = key == TreeKey::NowSearch ? Searching : Downloading;
        if (PreviousView != CurrentView) {
            emit panesChanged(CurrentView);
            emit upperPaneWanted();
        }
    } else {
        HistoryDays = historyDaysOf(key);
        CurrentView = Completed;
        if (PreviousView != Completed) emit panesChanged(CurrentView);
    }
    if (CurrentView == Completed || HistoryDays != 0)
        m_lists.FillCompletedList(key, HistoryDays, now);
    PreviousView = CurrentView;
    emit selectionToolsDisabled();
}

void MainView::selectNowDownJob(int job) {
    SelectedJob = m_jobs.isValid(job) ? job : 0;
    SelectedSlot = SelectedJob && m_lists.slotOfJob ? m_lists.slotOfJob(SelectedJob) : 0;
    if (SelectedSlot >= 1 && SelectedSlot <= 8) {
        m_lists.FillDetailTree(SelectedJob);
        m_lists.ShowRunningInfo(SelectedJob);
        emit detailJobChanged(SelectedJob);
        const int page = SlotPage[SelectedSlot];
        if (page > 0) m_lists.ShowPartLog(SelectedJob, page);
        emit detailPageChanged(page);
    } else {
        m_lists.ClearDetail();
        emit detailJobChanged(0);
    }
}

void MainView::selectCompletedJob(int job) {
    if (!m_jobs.isValid(job)) return;
    const QString path = m_jobs[job].SavePath;
    if (path.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive) && QFileInfo::exists(path)) {
        const QString problem = movieProblem ? movieProblem(job) : QString();
        if (problem.isEmpty())
            emit movieRequested(path);
        else
            emit movieRefused(path, problem);
    }
    m_lists.ShowCompletedInfo(job);
    emit completedJobSelected(job);
}

void MainView::selectDetailNode(const QString &key) {
    if (SelectedJob == 0) return;
    int page = -1; // the chart
    if (key != QLatin1String("PicDraw")) {
        page = key.endsWith(QLatin1String("Jet")) ? key.chopped(3).toInt() : 0;
        if (page <= 0) return;
        m_lists.ShowPartLog(SelectedJob, page);
    }
    if (SelectedSlot >= 1 && SelectedSlot <= 8) SlotPage[SelectedSlot] = page;
    emit detailPageChanged(page);
}

void MainView::selectSearchJob(int search) {
    SelectedSearchIndex = search;
    m_lists.ShowSearchLog(search);
}

void MainView::jobProgressed(int job) {
    if (job != 0 && job == SelectedJob && SelectedSlot != 0) emit selectedJobProgressed(job);
}
