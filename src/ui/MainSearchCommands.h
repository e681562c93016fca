#pragma once

#include <QList>
#include <QObject>
#include <functional>

struct AppCore;
class JobListPanel;
class MainMenus;
class QWidget;
class SearchSlot;

// The main window's side of the page search: the commands of the search
// list (Job menu, popHTML, toolbar in view 1), the log of the clicked search
// row and "Process Web Page File". It reports back to the window by signals.
class MainSearchCommands : public QObject {
    Q_OBJECT
public:
    MainSearchCommands(AppCore &core, SearchSlot &slot, MainMenus &menus, JobListPanel &lists,
                       QWidget &window);

    // "Process Web Page File": the page file to analyse (empty: cancelled)
    // and the address its relative links resolve against (empty: cancelled).
    std::function<QString()> chooseWebPageFile;
    std::function<QString(const QString &suggested)> askPageAddress;

    // The search jobs of the selected lvDownHtml rows.
    QList<int> selectedSearches() const;
    bool searchRuns(int index) const;
    // popHTML's entries follow the menu entries of the same rows.
    void copyPopupEntries();

signals:
    void searchesChanged();               // a command ran or a search ended
    void statusText(const QString &text); // for the status bar's second panel

private:
    void connectPageFile();
    void processPageFile();

    AppCore &m_core;
    SearchSlot &m_slot;
    MainMenus &m_menus;
    JobListPanel &m_lists;
    QWidget &m_window;
};
