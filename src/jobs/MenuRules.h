#pragma once

#include <QMap>
#include <QString>
#include <QVector>

class JobTable;

// Enabled states of menu entries and toolbar buttons, worked out from the
// view and the selection, keyed by the entries' object names.
using EnabledMap = QMap<QString, bool>;

struct SelectionFacts {
    int view = 0;              // CurrentView
    int selectedJob = 0;       // SelectedJob
    int selectedSearch = 0;    // SelectedSearchIndex
    int nowDownRows = 0;       // rows of lvNowDown
    int searchRows = 0;        // rows of lvDownHtml
    int completedRows = 0;     // rows of lvHaveDown
    bool hasSelection = false; // a row of the shown list is selected
    // View 1: for each selected search row, in row order, whether its job runs.
    QVector<bool> selectedSearchRunning;
};

// The eight commands of the Jobs menu.
EnabledMap jobMenuRules(const JobTable &jobs, const SelectionFacts &facts);
// The job entries of the Edit menu.
EnabledMap editMenuRules(const JobTable &jobs, const SelectionFacts &facts);
// The category, import and list entries of the File menu.
EnabledMap fileMenuRules(int view);
// The entries of the Operate menu that drive the player.
EnabledMap operateMenuRules(int view);

// Toolbar buttons (by key) following the menus: the four job buttons copy
// the search or download commands by view, the four edit buttons copy Edit.
EnabledMap EnabledTbStates(int view, const EnabledMap &menus);
// The tbMain buttons that need a selected job (all disabled by DisableTb).
QVector<QString> selectionButtonKeys();

struct ToolbarButton {
    QString key;
    QString image; // image key at start
};
QVector<ToolbarButton> tbMainButtons();
QVector<ToolbarButton> tbOperButtons();
// The menu entry whose command a tbMain button runs, empty when none.
QString toolbarCommand(const QString &key, int view);
