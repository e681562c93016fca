// The main window's side of the download engine and the page search: its
// session, the job commands of the menus, the detail panel following the
// selected job and the search slot.
#include "base/OleDate.h"
#include "engine/DownloadEvents.h"
#include "engine/JobCommands.h"
#include "engine/JobDbAutoSave.h"
#include "engine/JobLog.h"
#include "engine/frmCreateFile.h"
#include "engine/frmJobmessage.h"
#include "search/SearchSlot.h"
#include "session/AppCore.h"
#include "session/DownloadSession.h"
#include "ui/DoneNotifier.h"
#include "ui/DownInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainSearchCommands.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

frmJobmessage *frmMain::jobMessageWindow() {
    if (!m_jobMessage) m_jobMessage = new frmJobmessage(this);
    return m_jobMessage;
}

DownloadEvents *frmMain::events() const {
    return &m_session->events();
}

JobLog *frmMain::jobLog() const {
    return &m_session->log();
}

JobCommands *frmMain::jobCommands() const {
    return &m_session->commands();
}

JobDbAutoSave *frmMain::autoSave() const {
    return &m_session->autoSave();
}

void frmMain::connectEngine() {
    m_session = std::make_unique<DownloadSession>(m_core, m_io);
    m_createFile = new frmCreateFile(this);
    DownloadEvents *events = &m_session->events();
    pauseAll = [this] { m_session->commands().PauseAll(); };
    connectJobCommands();
    connect(events, &DownloadEvents::JobFinished, new DoneNotifier(m_core.DownJobs, *this),
            &DoneNotifier::jobFinished);

    connect(events, &DownloadEvents::SlotStarted, this, [this](int slot, int job) {
        m_core.view.SlotPage[slot] = 0; // a new job starts on its information list
        // A selected job that starts shows its details at once.
        if (job == m_core.view.SelectedJob && m_core.view.SelectedSlot == 0)
            m_core.view.selectNowDownJob(job);
    });
    // The detail panel follows the reports of the job it shows: the picture
    // and the information list, or the log of the part on show.
    connect(events, &DownloadEvents::PartsRedraw, this, [this, events](int slot) {
        const int job = events->slot(slot).jobIndex;
        if (job != 0 && job == m_downInfo->job() && m_downInfo->page() <= 0)
            m_core.view.jobProgressed(job);
    });
    connect(events, &DownloadEvents::LogListRebuild, this, [this, events](int slot, int part) {
        const int job = events->slot(slot).jobIndex;
        if (job != 0 && job == m_downInfo->job() && m_downInfo->page() == part)
            m_core.lists.ShowPartLog(job, part);
    });
    // A selected job shown without details gets its parts tree as it connects.
    connect(events, &DownloadEvents::PartsTreeRebuild, this, [this, events](int slot) {
        const int job = events->slot(slot).jobIndex;
        if (job != 0 && m_downInfo->job() == 0 && job == m_core.view.SelectedJob)
            m_core.lists.FillDetailTree(job);
    });
    connect(events, &DownloadEvents::RowRemoved, this, [this](int job) {
        if (job == m_downInfo->job()) m_core.view.selectNowDownJob(0);
    });
    connect(events, &DownloadEvents::StatusBarRefresh, this, [this] {
        statusPanel(1)->setText(QStringLiteral("MoorQuill ") + m_core.paths.AppVersion);
    });
    connect(events, &DownloadEvents::FileCreationProgress, m_createFile,
            [this](int, qint64 done, qint64 total) { m_createFile->Progress(done, total); });
    connect(events, &DownloadEvents::JobMessage, this,
            [this](const QString &text) { jobMessageWindow()->AddMessage(text); });
    connect(events, &DownloadEvents::JobFinished, this, [this](int, int state) {
        // A completed file joins the list of its category when that is shown.
        const MainView &v = m_core.view;
        if (state == StateComplete && v.CurrentView == MainView::Completed)
            m_core.lists.FillCompletedList(v.selectedNodeKey(), v.HistoryDays, OleDate::now());
        EnabledTb();
    });
}

int frmMain::selectedNowDownRow() const {
    const QModelIndexList rows = m_lists->lvNowDown()->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmMain::connectJobCommands() {
    // The pop-up entries and the toolbar buttons trigger these menu entries.
    JobCommands *commands = &m_session->commands();
    const std::pair<const char *, std::function<void()>> entries[] = {
        {"mnuJob_Begin", [this, commands] { commands->StartJob(selectedNowDownRow()); }},
        {"mnuJob_Pause", [this, commands] { commands->PauseJob(selectedNowDownRow()); }},
        {"mnuJob_AllBegin", [commands] { commands->StartAll(); }},
        {"mnuJob_AllPause", [commands] { commands->PauseAll(); }}};
    for (const auto &entry : entries) {
        const std::function<void()> run = entry.second;
        connect(m_menus->action(QString::fromLatin1(entry.first)), &QAction::triggered, this,
                [this, run] {
                    run();
                    EnabledTb();
                });
    }
}

void frmMain::connectSearch() {
    m_search = std::make_unique<SearchSlot>(m_core.search(), m_core.view, m_session->log());
    m_searchCommands = new MainSearchCommands(m_core, *m_search, *m_menus, *m_lists, *this);
    connect(m_searchCommands, &MainSearchCommands::searchesChanged, this, &frmMain::EnabledTb);
    connect(m_searchCommands, &MainSearchCommands::statusText, m_statusPanel[1], &QLabel::setText);
}
