#pragma once

#include "jobs/JobDbIo.h"
#include "jobs/MenuRules.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

struct AppCore;
struct HandOffMessage;
struct PageScanResult;
class CategoryTreePanel;
class DownloadEvents;
class DownloadSession;
class HandOffServer;
class JobCommands;
class JobDbAutoSave;
class JobLog;
class frmCreateFile;
class frmJobmessage;
class DownInfoPanel;
class FileInfoPanel;
class JobListPanel;
class MainEditCommands;
class MainAddCommands;
class MainHandOff;
class MainMovies;
class MainSearchCommands;
class frmSaveSwfto;
class MainMenus;
class MainToolbars;
class QLabel;
class QStackedWidget;
class QTimer;
class QTreeView;
class Resizer;
class SearchSlot;
class TrayIcon;
class frmMainPlayer;

// The main window: a composition of the category tree, the job lists, the
// information panels, the toolbars and the tray icon, laid out with nested
// Resizers. The logic lives in the core (AppCore: tree, lists, view state).
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(AppCore &core, JobDbIo io = {}, QWidget *parent = nullptr);
    ~frmMain() override;

    // Hooks filled in by the parts that own these commands.
    std::function<void(int tab)>
        openOptions;                // the options dialog on tab 0..2 (frmOption by default)
    std::function<void()> pauseAll; // pauses every job before closing
    std::function<void(const QString &path)> playMovie;
    // "DownLoad Now!" of the update check: a new download of this address.
    std::function<void(const QString &url)> newDownload;
    // While true, Resizer2 remembers the upper list's size as the user drags it.
    bool TrackUpperListSize = false;

    // The load sequence: tray, tree and database, lists, toolbars, settings;
    // shows the window (minimised with StartMin).
    void load();

    // Tells the user once that the job database was damaged.
    void reportDamagedDatabase(const DbLoadResult &result);

    // EnabledTb / DisableTb of the main toolbar.
    void EnabledTb();
    void DisableTb();
    SelectionFacts selectionFacts() const;

    CategoryTreePanel *tvNa() const { return m_tree; }
    JobListPanel *lists() const { return m_lists; }
    DownInfoPanel *downInfo() const { return m_downInfo; }
    FileInfoPanel *fileInfo() const { return m_fileInfo; }
    MainMenus *menus() const { return m_menus; }
    MainEditCommands *editCommands() const { return m_edit; }
    MainToolbars *toolbars() const { return m_toolbars; }
    MainAddCommands *addCommands() const { return m_add; } // frmMainAdd.cpp
    TrayIcon *tray() const { return m_tray; }
    Resizer *resizer2() const { return m_resizer2; }
    frmMainPlayer *moviePanel() const { return m_moviePanel; }
    DownloadSession &session() const { return *m_session; }
    MainMovies *movies() const { return m_movies; }
    DownloadEvents *events() const;
    JobLog *jobLog() const;
    JobCommands *jobCommands() const;
    JobDbAutoSave *autoSave() const;
    SearchSlot *searchSlot() const { return m_search.get(); }
    MainSearchCommands *searchCommands() const { return m_searchCommands; }
    frmCreateFile *createFileWindow() const { return m_createFile; }
    frmJobmessage *jobMessageWindow(); // created when first needed
    QLabel *statusPanel(int n) const;
    MainHandOff *handOff() const { return m_handOff; } // frmMainHandOff.cpp

    // Hand-offs and page scans from the browsers arrive through `server`,
    // which also carries the picker's scans to the extension's ports.
    void listenTo(HandOffServer *server); // frmMainHandOff.cpp

public slots:
    // A hand-off from the browser: its text goes into Text1, the rest waits
    // beside it for the new-job dialog.
    void receiveHandOff(const HandOffMessage &message);
    // A page the user scanned from the browser's menu: its movies go to the
    // save dialog through Timer1.
    void receivePageScan(const PageScanResult &page);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    void connectCommands();
    void connectEngine(); // frmMainEngine.cpp
    void connectHelp();   // frmMainHelp.cpp
    void connectJobCommands();
    void connectNewJobSources();
    void connectHandOff(); // frmMainHandOff.cpp
    void connectPlayer();
    void enablePopMain(); // popMain's job entries, as the tray and the drop window show it
    void connectSearch(); // frmMainEngine.cpp
    int selectedNowDownRow() const;
    void connectView();
    void showPanes(int view);
    void showPopup(const QString &name, const QPoint &globalPos);
    void updateMenu(const QString &name);
    void showPane(Resizer *splitter, int pane, bool show, const QString &button);
    void toggleTree();
    void toggleUpperList();
    void toggleFileInfo();
    void runToolbarKey(const QString &key);
    void runOperKey(const QString &key);
    void openPath(const QString &path);
    int selectedCompletedJob() const;

    AppCore &m_core;
    JobDbIo m_io;
    std::unique_ptr<DownloadSession> m_session; // the engine's run
    std::unique_ptr<SearchSlot> m_search;       // the search slot (ends before the session)
    MainSearchCommands *m_searchCommands = nullptr;
    frmCreateFile *m_createFile = nullptr;
    frmJobmessage *m_jobMessage = nullptr;
    MainMenus *m_menus = nullptr;
    MainEditCommands *m_edit = nullptr;
    MainToolbars *m_toolbars = nullptr;
    MainAddCommands *m_add = nullptr;
    MainHandOff *m_handOff = nullptr;
    QPointer<frmSaveSwfto> m_saveSwfto; // the open "Save Flash" dialog
    TrayIcon *m_tray = nullptr;
    CategoryTreePanel *m_tree = nullptr;
    JobListPanel *m_lists = nullptr;
    QStackedWidget *m_lower = nullptr;
    QTreeView *m_searchLog = nullptr;
    DownInfoPanel *m_downInfo = nullptr;
    FileInfoPanel *m_fileInfo = nullptr;
    Resizer *m_resizer1 = nullptr;
    Resizer *m_resizer2 = nullptr;
    QLabel *m_statusPanel[2] = {nullptr, nullptr};
    QTimer *m_timer3 = nullptr;
    frmMainPlayer *m_moviePanel = nullptr;
    MainMovies *m_movies = nullptr;
    bool m_damageReported = false;
    bool m_closing = false;
};
