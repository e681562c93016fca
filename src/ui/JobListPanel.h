#pragma once

#include <QStackedWidget>

struct AppCore;
class QTreeView;

// The upper pane of the right-hand side: one of the search list `lvDownHtml`,
// the list of jobs in progress `lvNowDown` and the completed list
// `lvHaveDown`, as the view chooses. Row clicks go to the view state.
class JobListPanel : public QStackedWidget {
    Q_OBJECT
public:
    JobListPanel(AppCore &core, QWidget *parent = nullptr);

    QTreeView *lvDownHtml() const { return m_downHtml; }
    QTreeView *lvNowDown() const { return m_nowDown; }
    QTreeView *lvHaveDown() const { return m_haveDown; }
    QTreeView *listOfView(int view) const;
    void showView(int view);

    // The job of a completed-list row, read from the row's tag.
    int completedJobAt(const QModelIndex &index) const;

signals:
    // A row was selected with the mouse: the toolbar follows the selection.
    void selectionSettled();
    // A right-button release over a list: the named pop-up menu is wanted.
    void popupWanted(const QString &menu, const QPoint &globalPos);
    void openFileWanted(const QString &path);

private:
    void wire(QTreeView *view, const QString &popup);
    AppCore &m_core;
    QTreeView *m_downHtml;
    QTreeView *m_nowDown;
    QTreeView *m_haveDown;
};
