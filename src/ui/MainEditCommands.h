#pragma once

#include "jobs/DbCommit.h"
#include "jobs/JobDbIo.h"

#include <QObject>
#include <QVector>
#include <functional>

struct AppCore;
class CategoryTreePanel;
class JobListPanel;
class MainMenus;
class QWidget;

// The main window's category and job editing: the File menu's category and
// import entries, the Edit menu's job entries, the tree's pop-up, and the
// enabling of those entries as their menus open. Every rule is a core
// function (CategoryEdit, JobEdit, ImportFiles); this class opens the
// dialogs and refreshes the lists afterwards.
class MainEditCommands : public QObject {
    Q_OBJECT
public:
    MainEditCommands(AppCore &core, JobDbIo io, MainMenus &menus, CategoryTreePanel &tree,
                     JobListPanel &lists, QWidget *window);

    // Delete in view 1 (search jobs): set by the page search.
    std::function<void()> deleteSearchJobs;

    // "&Category" of other dialogs: creates a category below `selectedKey`'s
    // node and returns the new key (empty when cancelled).
    QString newCategory(QWidget *parent, const QString &selectedKey);

    // The jobs of the selected rows of the shown list (view 2 or 3), in row order.
    QVector<int> selectedJobs() const;
    // Applies the enabling of this module's entries.
    void updateEnabling();
    // Refills the completed list after a job was added to it.
    void refreshCompleted();

private:
    void connectCategoryCommands();
    void connectJobCommands();
    void connectFindCommands();
    void on(const char *name, std::function<void()> handler);
    void report(const QString &message, bool error = false);
    int selectedCompleted() const;
    void deleteSelected();
    void selectListRow(int row);

    AppCore &m_core;
    DbCommit m_commit;
    MainMenus &m_menus;
    CategoryTreePanel &m_tree;
    JobListPanel &m_lists;
    QWidget *m_window;
    QString m_findText;
};
