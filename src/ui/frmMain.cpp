#include "ui/frmMain.h"

#include "dialogs/frmOption.h"
#include "jobs/CategoryEdit.h"
#include "jobs/CategoryTree.h"
#include "kit/IconSet.h"
#include "platform/AppFolder.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
#include "session/AppCore.h"
#include "session/DownloadSession.h"
#include "ui/CategoryTreePanel.h"
#include "ui/DownInfoPanel.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainEditCommands.h"
#include "ui/MainHandOff.h"
#include "ui/MainMenus.h"
#include "ui/MainMovies.h"
#include "ui/MainSearchCommands.h"
#include "ui/MainToolbars.h"
#include "ui/MainTopWindow.h"
#include "ui/ReportList.h"
#include "ui/Resizer.h"
#include "ui/TrayIcon.h"
#include "ui/frmMainAdd.h"
#include "ui/frmMainPlayer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

frmMain::frmMain(AppCore &core, JobDbIo io, QWidget *parent)
    : QMainWindow(parent), m_core(core), m_io(std::move(io)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("MoorQuill"));
    setWindowIcon(IconSet::icon(QStringLiteral("MoorQuill")));
    m_menus = new MainMenus(menuBar(), this);
    m_toolbars = new MainToolbars(this);
    addToolBar(Qt::TopToolBarArea, m_toolbars->tbMain());
    m_tray = new TrayIcon(this);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 2; ++i) {
        m_statusPanel[i] = new QLabel(this);
        m_statusPanel[i]->setObjectName(QStringLiteral("StatusBar1_Panel") +
                                        QString::number(i + 1));
        statusBar()->addWidget(m_statusPanel[i], i);
    }
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(1000);
    connect(m_timer3, &QTimer::timeout, this, [this] { m_downInfo->refresh(); });
    buildLayout();
    connectView();
    connectCommands();
    connectEngine();
    connectSearch();
    m_edit = new MainEditCommands(m_core, m_io, *m_menus, *m_tree, *m_lists, this);
    m_edit->deleteSearchJobs = [this] {
        m_search->DeleteSearchJobs(m_searchCommands->selectedSearches());
    };
    connectHelp();
    connectPlayer();
    m_movies = new MainMovies(m_core, *events(), *jobLog(), *m_menus, *m_lists, *m_fileInfo, this);
    m_add = new MainAddCommands(m_core, *m_menus, *m_toolbars, *this);
    connect(m_add, &MainAddCommands::jobsAdded, this, &frmMain::EnabledTb);
    connect(m_add, &MainAddCommands::optionsWanted, this, [this](int tab) {
        if (openOptions) openOptions(tab);
    });
    connectNewJobSources();
    connectHandOff();
    setMinimumSize(640, 460);
    resize(1100, 720);
    openOptions = [this](int tab) {
        frmOption dialog(m_core.paths.SettingsPath, m_core.settings, tab + 1, this);
        dialog.exec();
    };
}

frmMain::~frmMain() = default;

QLabel *frmMain::statusPanel(int n) const {
    return n >= 1 && n <= 2 ? m_statusPanel[n - 1] : nullptr;
}

void frmMain::buildLayout() {
    m_resizer1 = new Resizer(this);
    m_resizer1->setObjectName(QStringLiteral("Resizer1"));
    m_resizer1->setBorderStyle(0);
    m_resizer1->setSeparatorSize(75);
    m_tree = new CategoryTreePanel(m_core.tree, m_core.view, m_resizer1);
    m_tree->resize(200, 400);
    m_resizer2 = new Resizer(m_resizer1);
    m_resizer2->setObjectName(QStringLiteral("Resizer2"));
    m_resizer2->setOrientation(0);
    m_resizer2->setBorderStyle(0);
    m_resizer2->setSeparatorSize(75);
    m_resizer2->setMinControlSize2(Resizer::toTwips(60));
    m_lists = new JobListPanel(m_core, m_resizer2);
    m_lists->resize(800, 320);
    m_lower = new QStackedWidget(m_resizer2);
    m_lower->setObjectName(QStringLiteral("picLower"));
    m_searchLog = makeReportList(QStringLiteral("lvHaveDownHtml"), &m_core.lists.lvHaveDownHtml,
                                 {150}, m_lower);
    m_downInfo = new DownInfoPanel(m_core, m_lower);
    m_fileInfo = new FileInfoPanel(m_core, m_toolbars->tbOper(), m_lower);
    m_lower->addWidget(m_searchLog);
    m_lower->addWidget(m_downInfo);
    m_lower->addWidget(m_fileInfo);
    m_fileInfo->playerPlace()->resize(330, 200);
    m_lower->setCurrentWidget(m_fileInfo);
    setCentralWidget(m_resizer1);
}

void frmMain::connectView() {
    MainView &view = m_core.view;
    connect(&view, &MainView::panesChanged, this, &frmMain::showPanes);
    connect(&view, &MainView::upperPaneWanted, this, [this] {
        if (!m_resizer2->Control1Visible()) showPane(m_resizer2, 1, true, QStringLiteral("lvD"));
    });
    connect(&view, &MainView::selectionToolsDisabled, this, &frmMain::DisableTb);
    connect(&view, &MainView::detailJobChanged, this, [this](int job) {
        if (job != 0)
            m_timer3->start();
        else
            m_timer3->stop();
    });
    connect(&view, &MainView::movieRequested, this, [this](const QString &path) {
        if (playMovie) playMovie(path);
    });
    connect(m_lists, &JobListPanel::selectionSettled, this, &frmMain::EnabledTb);
    connect(m_lists, &JobListPanel::popupWanted, this, &frmMain::showPopup);
    connect(m_lists, &JobListPanel::openFileWanted, this, &frmMain::openPath);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        showPopup(QStringLiteral("popTree"), m_tree->viewport()->mapToGlobal(pos));
    });
}

void frmMain::showPanes(int view) {
    m_lists->showView(view);
    m_lower->setCurrentWidget(view == MainView::Searching     ? static_cast<QWidget *>(m_searchLog)
                              : view == MainView::Downloading ? static_cast<QWidget *>(m_downInfo)
                                                              : m_fileInfo);
}

void frmMain::connectCommands() {
    auto on = [this](const char *name, auto handler) {
        connect(m_menus->action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("mnuFile_Exit", [this] {
        m_core.settings.CloseMin = 0; // the file keeps its value
        close();
    });
    on("popMain_Exit", [this] { m_menus->action("mnuFile_Exit")->trigger(); });
    on("popMain_Show", [this] { m_tray->leftClicked(); });
    on("mnuView_Tree", [this] { toggleTree(); });
    on("mnuView_ToolBar", [this](bool on) { m_toolbars->tbMain()->setVisible(on); });
    on("mnuView_State", [this](bool on) { statusBar()->setVisible(on); });
    on("mnuView_Pic", [this](bool on) { m_fileInfo->setControl1Visible(on); });
    on("mnuOption1", [this] {
        if (openOptions) openOptions(0);
    });
    on("mnuOption_Skin", [this] {
        if (openOptions) openOptions(2); // the " Other " tab
    });
    on("mnuEdit_SelectAll", [this] {
        if (m_core.view.CurrentView >= 2) m_lists->listOfView(m_core.view.CurrentView)->selectAll();
    });
    on("mnuEdit_InSAll", [this] {
        if (m_core.view.CurrentView < 2) return;
        QTreeView *list = m_lists->listOfView(m_core.view.CurrentView);
        const QModelIndex first = list->model()->index(0, 0);
        const QModelIndex last = list->model()->index(list->model()->rowCount() - 1, 0);
        if (first.isValid())
            list->selectionModel()->select(QItemSelection(first, last),
                                           QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    });
    on("mnuEdit_CopytoC", [this] {
        const int view = m_core.view.CurrentView;
        const int job = view == 2   ? m_core.view.SelectedJob
                        : view == 3 ? selectedCompletedJob()
                                    : 0;
        if (m_core.DownJobs.isValid(job))
            QGuiApplication::clipboard()->setText(m_core.DownJobs[job].Url);
    });
    on("mnuEdit_OpenF", [this] {
        const int job = selectedCompletedJob();
        if (m_core.DownJobs.isValid(job)) openPath(m_core.DownJobs[job].SavePath.trimmed());
    });
    on("mnuEdit_OpenD", [this] {
        const int job = selectedCompletedJob();
        if (m_core.DownJobs.isValid(job))
            openPath(QFileInfo(m_core.DownJobs[job].SavePath.trimmed()).absolutePath());
    });
    on("mnuHelp1", [this] {
        openPath(
            programDataFile(QCoreApplication::applicationDirPath(), QStringLiteral("help.htm")));
    });
    on("mnuHelp_About", [this] {
        QMessageBox::about(this, QStringLiteral("About MoorQuill"),
                           QStringLiteral("MoorQuill ") + m_core.paths.AppVersion);
    });
    // Pop-up entries run the menu command of the same row.
    const char *const pairs[][2] = {{"popStart", "mnuJob_Begin"},
                                    {"popPause", "mnuJob_Pause"},
                                    {"popStartAll", "mnuJob_AllBegin"},
                                    {"popPauseAll", "mnuJob_AllPause"},
                                    {"popStart1", "mnuJob_Begin1"},
                                    {"popPause1", "mnuJob_Pause1"},
                                    {"popStartAll1", "mnuJob_AllBegin1"},
                                    {"popPauseAll1", "mnuJob_AllPause1"},
                                    {"popMain_BeginAll", "mnuJob_AllBegin"},
                                    {"popMain_PauseAll", "mnuJob_AllPause"},
                                    {"popTree_AddPf", "mnuFile_AddNew"},
                                    {"popTree_AddPbf", "mnuFile_AddNew1"},
                                    {"popTree_ImportList", "mnuFile_Import"},
                                    {"popTree_ExportList", "mnuFile_Export"},
                                    {"popMain_Tell", "mnuTellFriend"},
                                    {"popMain_Pop", "mnuView_Pop"}};
    for (const auto &pair : pairs) {
        QAction *target = m_menus->action(QString::fromLatin1(pair[1]));
        on(pair[0], [target] { target->trigger(); });
    }
    for (const char *menu : {"mnuFile", "mnuEdit", "mnuJob", "mnuOption"}) {
        const QString name = QString::fromLatin1(menu);
        connect(m_menus->menu(name), &QMenu::aboutToShow, this, [this, name] { updateMenu(name); });
    }
    connect(m_toolbars, &MainToolbars::mainClicked, this, &frmMain::runToolbarKey);
    connect(m_toolbars, &MainToolbars::operClicked, this, &frmMain::runOperKey);
    connect(m_tray, &TrayIcon::menuShown, this, &frmMain::enablePopMain);
}

void frmMain::enablePopMain() {
    updateMenu(QStringLiteral("mnuJob"));
    for (const char *entry : {"BeginAll", "PauseAll"})
        m_menus->action(QStringLiteral("popMain_") + QLatin1String(entry))
            ->setEnabled(m_menus
                             ->action(entry[0] == 'B' ? QStringLiteral("mnuJob_AllBegin")
                                                      : QStringLiteral("mnuJob_AllPause"))
                             ->isEnabled());
}

void frmMain::connectPlayer() {
    m_moviePanel = new frmMainPlayer(
        m_core, {*m_menus, *m_toolbars, *m_lists, *m_fileInfo, *m_resizer2, *m_statusPanel[1]},
        this);
    playMovie = [this](const QString &path) { m_moviePanel->loadMovie(path); };
    connect(m_moviePanel, &frmMainPlayer::selectionStepped, this, &frmMain::EnabledTb);
    // The size the upper list is given back follows the user's dragging.
    connect(m_resizer2, &Resizer::SizeChanged, this, [this] {
        if (TrackUpperListSize && m_resizer2->Control1Visible())
            m_resizer2->Tag = QString::number(m_resizer2->Control1Size());
    });
}

SelectionFacts frmMain::selectionFacts() const {
    const MainView &view = m_core.view;
    SelectionFacts f;
    f.view = view.CurrentView;
    f.selectedJob = view.SelectedJob;
    f.selectedSearch = view.SelectedSearchIndex;
    f.nowDownRows = m_core.lists.lvNowDown.count();
    f.searchRows = m_core.lists.lvDownHtml.count();
    f.completedRows = m_core.lists.lvHaveDown.count();
    if (view.CurrentView >= 1 && view.CurrentView <= 3) {
        QTreeView *list = m_lists->listOfView(view.CurrentView);
        const QModelIndexList rows = list->selectionModel()->selectedRows();
        f.hasSelection = !rows.isEmpty();
        if (view.CurrentView == 1)
            for (int index : m_searchCommands->selectedSearches())
                f.selectedSearchRunning.append(m_searchCommands->searchRuns(index));
    }
    return f;
}

void frmMain::updateMenu(const QString &name) {
    const SelectionFacts facts = selectionFacts();
    if (name == QLatin1String("mnuFile"))
        m_menus->apply(fileMenuRules(facts.view));
    else if (name == QLatin1String("mnuEdit"))
        m_menus->apply(editMenuRules(m_core.DownJobs, facts));
    else if (name == QLatin1String("mnuJob"))
        m_menus->apply(jobMenuRules(m_core.DownJobs, facts));
    else if (name == QLatin1String("mnuOption"))
        m_menus->apply(operateMenuRules(facts.view));
}

void frmMain::EnabledTb() {
    updateMenu(QStringLiteral("mnuEdit"));
    updateMenu(QStringLiteral("mnuJob"));
    EnabledMap menus;
    for (const char *name :
         {"mnuJob_Begin", "mnuJob_Pause", "mnuJob_AllBegin", "mnuJob_AllPause", "mnuJob_Begin1",
          "mnuJob_Pause1", "mnuJob_AllBegin1", "mnuJob_AllPause1", "mnuEdit_Comment", "mnuEdit_Del",
          "mnuEdit_OpenF", "mnuEdit_OpenD"})
        menus[name] = m_menus->action(name)->isEnabled();
    m_toolbars->EnabledTb(EnabledTbStates(m_core.view.CurrentView, menus));
}

void frmMain::DisableTb() {
    m_toolbars->DisableTb();
}

void frmMain::showPopup(const QString &name, const QPoint &globalPos) {
    QMenu *menu = m_menus->menu(name);
    if (!menu) return;
    if (name == QLatin1String("popNowDown")) {
        updateMenu(QStringLiteral("mnuJob"));
        const char *const copies[][2] = {{"popStart", "mnuJob_Begin"},
                                         {"popPause", "mnuJob_Pause"},
                                         {"popStartAll", "mnuJob_AllBegin"},
                                         {"popPauseAll", "mnuJob_AllPause"}};
        for (const auto &pair : copies)
            m_menus->action(pair[0])->setEnabled(m_menus->action(pair[1])->isEnabled());
    } else if (name == QLatin1String("popHTML")) {
        updateMenu(QStringLiteral("mnuJob"));
        updateMenu(QStringLiteral("mnuEdit"));
        m_searchCommands->copyPopupEntries();
    } else if (name == QLatin1String("mnuEdit")) {
        updateMenu(name);
    }
    menu->popup(globalPos);
}

void frmMain::runToolbarKey(const QString &key) {
    const QString command = toolbarCommand(key, m_core.view.CurrentView);
    if (QAction *action = command.isEmpty() ? nullptr : m_menus->action(command)) action->trigger();
    EnabledTb();
}

void frmMain::runOperKey(const QString &key) {
    if (key == QLatin1String("tvNa"))
        m_menus->action(QStringLiteral("mnuView_Tree"))->trigger();
    else if (key == QLatin1String("lvD"))
        toggleUpperList();
    else if (key == QLatin1String("Exchange"))
        toggleFileInfo();
}

void frmMain::showPane(Resizer *splitter, int pane, bool show, const QString &button) {
    // A hidden pane's size waits in the splitter's Tag until it is shown again.
    const char *visible = pane == 1 ? "Control1Visible" : "Control2Visible";
    const char *size = pane == 1 ? "Control1Size" : "Control2Size";
    if (!show) splitter->Tag = QString::number(splitter->property(size).toInt());
    splitter->setProperty(visible, show);
    if (show) splitter->setProperty(size, splitter->Tag.toInt());
    m_toolbars->setImage(m_toolbars->tbOper(), button,
                         button + (show ? QLatin1Char('1') : QLatin1Char('2')));
}

void frmMain::toggleTree() {
    // The action has already flipped its check mark: checked means shown.
    showPane(m_resizer1, 1, m_menus->action(QStringLiteral("mnuView_Tree"))->isChecked(),
             QStringLiteral("tvNa"));
}

void frmMain::toggleUpperList() {
    // The interim layout of re-showing must not overwrite the remembered size.
    const bool show = !m_resizer2->Control1Visible();
    if (show) TrackUpperListSize = false;
    showPane(m_resizer2, 1, show, QStringLiteral("lvD"));
    if (show) TrackUpperListSize = true;
}

void frmMain::toggleFileInfo() {
    Resizer *r4 = m_fileInfo->resizer4();
    showPane(r4, 2, !r4->Control2Visible(), QStringLiteral("Exchange"));
}

int frmMain::selectedCompletedJob() const {
    QTreeView *list = m_lists->lvHaveDown();
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || !list->selectionModel()->isRowSelected(current.row(), {})) return 0;
    return m_lists->completedJobAt(current);
}

void frmMain::openPath(const QString &path) {
    if (!path.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void frmMain::reportDamagedDatabase(const DbLoadResult &result) {
    if (!result.damaged || m_damageReported) return;
    m_damageReported = true;
    QString text = QStringLiteral("The job database could not be read completely");
    if (!result.error.isEmpty()) text += QStringLiteral(": ") + result.error;
    text += QStringLiteral(".\n\nThe categories and jobs read before the damaged point are kept.");
    if (!result.backupPath.isEmpty())
        text += QStringLiteral("\nA copy of the damaged file was kept as ") + result.backupPath +
                QLatin1Char('.');
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("MoorQuill"), text,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("msgDamagedDatabase"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void frmMain::load() {
    // 1. The tray icon with the window caption as its tip.
    m_tray->AddTrayIcon(this, m_menus->menu(QStringLiteral("popMain")));
    m_tray->SetTrayTip(windowTitle());
    // 2. The download slots were created with the window (connectEngine).
    // 3. First run or loading the database (jobs saved while running were
    // not paused: they continue as paused jobs), 4. the history branch.
    const DbLoadResult loaded = m_session->loadDatabase(DownloadSession::Missing::DefaultTree);
    // Jobs of a deleted category are filed under "Downloaded" rather than hidden.
    CategoryEdit::adoptOrphanJobs(m_core.tree, m_core.DownJobs);
    AddHistoryBranch(m_core.tree);
    m_tree->expandAll();
    // 5. The root is selected first; it changes nothing.
    m_tree->selectKey(QStringLiteral("MoorQuill"));
    // 6. The floating drop window.
    m_handOff->topWindow()->showAtStart();
    // 7-9. Lists are prepared by the core; toolbar pictures.
    m_toolbars->FullInTb();
    // 10. The first status-bar panel.
    m_statusPanel[0]->setText(QStringLiteral("MoorQuill ") + m_core.paths.AppVersion);
    // 11. "Downloaded" and its list.
    m_tree->selectKey(TreeKey::Downloaded);
    // 12. Every job not complete goes to lvNowDown.
    m_session->listUnfinishedJobs();
    // 13. The settings, read and normalised through the options logic.
    m_session->loadSettings();
    // 14. Shown, minimised with StartMin.
    if (m_core.settings.StartMin == 1)
        showMinimized();
    else
        show();
    m_handOff->registerBrowserMenu();
    reportDamagedDatabase(loaded);
    // A job added from now on reaches the database soon.
    m_session->saveListedJobs();
}

void frmMain::closeEvent(QCloseEvent *event) {
    if (m_core.settings.CloseMin == 1) {
        event->ignore();
        showMinimized();
        return;
    }
    // Each step is attempted whatever happened in the one before.
    m_closing = true;
    m_timer3->stop();
    if (pauseAll) pauseAll();
    QString error;
    m_io.save(m_core.tree, m_core.DownJobs, m_core.paths.JobDbPath, &error);
    m_tray->RemoveTrayIcon();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && !w->inherits("QMenu")) w->close();
    event->accept();
}

void frmMain::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_closing) return;
    // Hidden only where the tray can bring the window back.
    if ((windowState() & Qt::WindowMinimized) && m_core.settings.HideMin == 1 &&
        m_tray->available())
        QTimer::singleShot(0, this, [this] {
            if (windowState() & Qt::WindowMinimized) hide();
        });
}

void frmMain::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    // Captions under the pictures while there is room for all of them.
    m_toolbars->tbMain()->setToolButtonStyle(width() < 1000 ? Qt::ToolButtonIconOnly
                                                            : Qt::ToolButtonTextUnderIcon);
}

// The new-job dialog reaches the category dialog and the search list, and
// the update check's "DownLoad Now!" reaches the dialog.
void frmMain::connectNewJobSources() {
    m_add->newCategory = [this] {
        QWidget *parent = QApplication::activeModalWidget();
        m_edit->newCategory(parent ? parent : this, m_tree->currentKey());
    };
    m_add->setAddNewSearch([this](const NewSearchValues &values) {
        AddNewSearch(m_core.SearchJobs, *m_search, values);
    });
    newDownload = [this](const QString &url) { m_add->openNewJob(1, url); };
}
