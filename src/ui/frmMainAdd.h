#pragma once

#include "dialogs/NewJobRules.h"

#include <QObject>
#include <QStringList>
#include <functional>

struct AppCore;
struct HandOffDialog;
struct NewJobHooks;
class MainMenus;
class MainToolbars;
class QAction;
class QMainWindow;
class frmNewDown1;

// The main window's way in for new jobs: the Jobs menu's three "Add" entries
// and their toolbar buttons, Ctrl+V and dropped URLs (mode 1 with the URL),
// the download list's export and import, and the keyboard shortcuts of the
// menus. Commands that are not built yet stay disabled. It reports back to
// the window by signals.
class MainAddCommands : public QObject {
    Q_OBJECT
public:
    MainAddCommands(AppCore &core, MainMenus &menus, MainToolbars &toolbars, QMainWindow &window);

    int NewJobMode = 1; // the mode the dialog opens in

    // The new-category dialog behind the dialog's "&Category" buttons.
    std::function<void()> newCategory;
    // Hands a page search over to the search list; enables the entries
    // that open mode 2.
    void setAddNewSearch(std::function<void(const NewSearchValues &)> add);

    // Runs the dialog modally (exec by default); tests drive it here.
    std::function<int(frmNewDown1 &dialog)> runDialog;
    // The file dialogs of export and import; an empty answer cancels.
    std::function<QString(const QString &title, const QString &start, const QString &filters)>
        askSaveFile, askOpenFile;

    // Opens the dialog in `mode` with a handed-over URL; returns the new jobs.
    QVector<int> openNewJob(int mode, const QString &url = {});
    // Mode 4 with these links, every one checked, the category preselected;
    // `prepare` fills further fields before the dialog shows.
    QVector<int> openLinks(const QVector<NewJobRules::LinkEntry> &links, int skippedLines,
                           const QString &categoryKey,
                           const std::function<void(frmNewDown1 &)> &prepare = {});
    // A browser hand-off or a drop: the dialog in its mode with PresetUrl,
    // referer, comment, the browser's user agent and cookies (mode 4: the
    // page's links in ListView1).
    QVector<int> openHandOff(const HandOffDialog &request);
    bool isDialogOpen() const { return m_dialogOpen; }
    // Ctrl+V: the clipboard's URL into mode 1; false when it holds none.
    bool pasteUrl();
    void exportList(); // mnuFile_Export
    void importList(); // mnuFile_Import

    // Names of menu entries and toolbar buttons whose commands are not built:
    // kept disabled whatever the menu rules say.
    static const QStringList &unbuiltCommands();

signals:
    void dialogClosed();         // the new-job dialog has closed, whoever opened it
    void jobsAdded();            // the dialog added jobs (before dialogClosed)
    void optionsWanted(int tab); // the dialog asks for the options on `tab`

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectMenus();
    void setShortcuts();
    void markUnbuilt();
    QVector<int> runNewJob(frmNewDown1 &dialog);
    NewJobHooks dialogHooks();
    void status(const QString &text);

    AppCore &m_core;
    MainMenus &m_menus;
    MainToolbars &m_toolbars;
    QMainWindow &m_window;
    std::function<void(const NewSearchValues &)> m_addNewSearch;
    QAction *m_paste = nullptr;
    QString m_lastExportPath; // remembered while the program runs
    QString m_lastImportPath;
    bool m_dialogOpen = false;
};
