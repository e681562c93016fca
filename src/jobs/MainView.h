#pragma once

#include <QObject>
#include <QString>
#include <functional>

class JobLists;
class JobTable;

// What the right-hand side of the main window shows, chosen by the selected
// tree node, and which job is selected. The window arranges its panes from
// the signals; the lists are filled here.
class MainView : public QObject {
    Q_OBJECT
public:
    enum View { None = 0, Searching = 1, Downloading = 2, Completed = 3 };

    MainView(JobTable &jobs, JobLists &lists, QObject *parent = nullptr);

    int CurrentView = None;
    int PreviousView = None;
    int HistoryDays = 0;
    int SelectedJob = 0;         // job selected in lvNowDown, 0 when none
    int SelectedSlot = 0;        // slot running it, 0 when none
    int SelectedSearchIndex = 0; // search job whose log is shown
    // The detail page each slot 1..8 showed last (0 information, -1 chart,
    // k part k's log); selecting the slot's job shows it again.
    int SlotPage[9] = {};
    // Why a movie cannot be played (a damaged file), empty when it can; set
    // by the movie library.
    std::function<QString(int job)> movieProblem;
    QString selectedNodeKey() const { return m_nodeKey; }

    // The tree's node-click handling. `now` is the day count the history
    // filters count from.
    void selectNode(const QString &key, double now);
    // A lvNowDown row was clicked (its job index), or 0 when no row is selected.
    void selectNowDownJob(int job);
    // A lvHaveDown row was chosen (clicked, or reached with the keyboard or a
    // command): its information is shown; a ".swf" file that exists is
    // handed to the player, unless it is damaged.
    void selectCompletedJob(int job);
    // The detail tree's node with this key was chosen ("PicDraw" or "<k>Jet").
    void selectDetailNode(const QString &key);
    // A lvDownHtml row was clicked: its search job's log is listed.
    void selectSearchJob(int search);
    // The engine reports progress of a job: the detail panel redraws when it shows it.
    void jobProgressed(int job);

signals:
    // The view changed: the panes show the lists of `view`.
    void panesChanged(int view);
    // Views 1 and 2 make the upper pane visible if it was hidden.
    void upperPaneWanted();
    // The toolbar buttons that need a selected job are to be disabled.
    void selectionToolsDisabled();
    // The detail panel of a job in progress: shows the job or is blanked (job 0).
    void detailJobChanged(int job);
    // The detail panel shows 0 the information list, -1 the chart, k a part's log.
    void detailPageChanged(int page);
    void movieRequested(const QString &path);
    // A damaged movie was chosen: the player says why instead of playing it.
    void movieRefused(const QString &path, const QString &problem);
    // A completed job was chosen.
    void completedJobSelected(int job);
    void selectedJobProgressed(int job);

private:
    JobTable &m_jobs;
    JobLists &m_lists;
    QString m_nodeKey;
};
