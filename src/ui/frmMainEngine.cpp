// The main window's side of the download engine: the eight slots, the hooks
// of the job lists and the detail panel following the selected job.
#include "core/AppCore.h"
#include "core/OleDate.h"
#include "engine/DownloadEvents.h"
#include "engine/JobCommands.h"
#include "engine/JobDbAutoSave.h"
#include "engine/JobLog.h"
#include "engine/frmCreateFile.h"
#include "engine/frmJobmessage.h"
#include "ui/DownInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

frmJobmessage *frmMain::jobMessageWindow() {
    if (!m_jobMessage) m_jobMessage = new frmJobmessage(this);
    return m_jobMessage;
}

void frmMain::connectEngine() {
    m_log = std::make_unique<JobLog>();
    m_events = std::make_unique<DownloadEvents>(m_core, *m_log);
    m_createFile = new frmCreateFile(this);
    DownloadEvents *events = m_events.get();
    JobLists &lists = m_core.lists;
    MainView &view = m_core.view;

    lists.startRule = [events](int job, int) { events->StartRule(job); };
    lists.slotOfJob = [events](int job) { return events->SlotOfJob(job); };
    lists.liveSpeed = [events](int job) { return events->LiveSpeed(job); };
    lists.partLog = [this](int job, int part, ListRowModel &list) {
        const int row = m_core.lvNowDown.rowOfKey(DownloadEvents::RowKey(job));
        if (row < 0) return;
        const QString &tag = m_core.lvNowDown.row(row).tag;
        for (const JobLogRow &line : m_log->LookSearchLogLv(tag, part, 0)) {
            const int r = list.addRow({}, line.timeText, line.iconKey);
            list.setSubItem(r, 1, line.text);
            list.setTag(r, QString::number(line.icon));
        }
    };
    m_commands = std::make_unique<JobCommands>(m_core, *events);
    m_autoSave = std::make_unique<JobDbAutoSave>(*events, [this] {
        QString error;
        return m_io.save(m_core.tree, m_core.DownJobs, m_core.paths.JobDbPath, &error);
    });
    connect(m_commands.get(), &JobCommands::JobsPaused, m_autoSave.get(), &JobDbAutoSave::saveSoon);
    pauseAll = [this] { m_commands->PauseAll(); };
    // A job added after the load reaches the database soon.
    lists.jobListed = [this](int) {
        if (m_loaded) m_autoSave->saveSoon();
    };
    connectJobCommands();

    // The selection the engine's display step looks at follows the view.
    connect(&view, &MainView::detailJobChanged, events, [this, events](int job) {
        events->SelectedJob = job;
        events->SelectedSlot = job != 0 ? m_core.view.SelectedSlot : 0;
    });
    connect(&view, &MainView::detailPageChanged, events, [this, events](int page) {
        const int slot = m_core.view.SelectedSlot;
        if (slot >= 1 && slot <= DownloadEvents::kSlots)
            events->SelectedPart[slot] = page > 0 ? quint8(page) : DownloadEvents::kWholeJob;
    });
    connect(events, &DownloadEvents::SlotStarted, this, [this](int slot, int job) {
        m_core.view.SlotPage[slot] = 0; // a new job starts on its information list
        // A selected job that starts shows its details at once.
        if (job == m_core.view.SelectedJob && m_core.view.SelectedSlot == 0)
            m_core.view.selectNowDownJob(job);
    });
    connect(events, &DownloadEvents::PartsRedraw, this,
            [this, events](int slot) { m_core.view.jobProgressed(events->SlotJob[slot]); });
    connect(events, &DownloadEvents::LogListRebuild, this, [this, events](int slot, int part) {
        const int job = events->SlotJob[slot];
        if (job != 0 && job == m_core.view.SelectedJob && m_downInfo->page() == part)
            m_core.lists.ShowPartLog(job, part);
    });
    connect(events, &DownloadEvents::PartsTreeRebuild, this, [this, events](int slot) {
        const int job = events->SlotJob[slot];
        if (job != 0 && job == m_core.view.SelectedJob) m_core.lists.FillDetailTree(job);
    });
    connect(events, &DownloadEvents::SelectionCleared, this,
            [this] { m_core.view.selectNowDownJob(0); });
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
    JobCommands *commands = m_commands.get();
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
