#include "session/DownloadSession.h"

#include "core/OptionsLogic.h"
#include "engine/DownloadEvents.h"
#include "engine/JobCommands.h"
#include "engine/JobDbAutoSave.h"
#include "engine/JobLog.h"
#include "jobs/CategoryTree.h"
#include "session/AppCore.h"

#include <QFile>

DownloadSession::DownloadSession(AppCore &core, JobDbIo io, QObject *parent)
    : QObject(parent), m_core(core), m_io(std::move(io)), m_log(std::make_unique<JobLog>()),
      m_events(std::make_unique<DownloadEvents>(core.engine(), *m_log)),
      m_commands(std::make_unique<JobCommands>(core.engine(), *m_events)),
      m_autoSave(std::make_unique<JobDbAutoSave>(*m_events, [this] { return write(); })) {
    connect(m_commands.get(), &JobCommands::JobsPaused, m_autoSave.get(), &JobDbAutoSave::saveSoon);
    installHooks();
}

DownloadSession::~DownloadSession() {
    // The slots stop before the lists they report to lose their hooks.
    JobLists &lists = m_core.lists;
    lists.startRule = nullptr;
    lists.jobListed = nullptr;
    lists.slotOfJob = nullptr;
    lists.liveSpeed = nullptr;
    lists.partLog = nullptr;
    m_autoSave.reset();
    m_commands.reset();
    m_events.reset();
}

void DownloadSession::installHooks() {
    JobLists &lists = m_core.lists;
    DownloadEvents *events = m_events.get();
    lists.startRule = [this, events](int job, int) {
        if (!m_holdStarts) events->StartRule(job);
    };
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
    lists.jobListed = [this](int job) {
        emit JobListed(job);
        if (m_saveListed) m_autoSave->saveSoon();
    };
}

DbLoadResult DownloadSession::loadDatabase(Missing missing) {
    AppCore &c = m_core;
    DbLoadResult loaded;
    if (QFile::exists(c.paths.JobDbPath))
        loaded = BuildFixedTree(c.tree, c.DownJobs, c.paths, m_io);
    else if (missing == Missing::DefaultTree)
        BuildDefaultTree(c.tree, c.DownJobs, c.paths, m_io);
    else
        AddFixedNodes(c.tree, c.paths.DownloadFolder);
    DownloadEvents::LoadAsPaused(c.DownJobs);
    return loaded;
}

void DownloadSession::listUnfinishedJobs() {
    m_core.lists.ListUnfinishedJobs();
}

void DownloadSession::loadSettings() {
    loadSettingsAtStartup(m_core.paths.SettingsPath, m_core.settings);
}

bool DownloadSession::save() {
    return m_autoSave->saveNow();
}

bool DownloadSession::write() {
    m_saveError.clear();
    const QString &path = m_core.paths.JobDbPath;
    if (path.isEmpty()) return true;
    return m_io.save && m_io.save(m_core.tree, m_core.DownJobs, path, &m_saveError);
}
