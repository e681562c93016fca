#pragma once

#include "jobs/JobDbIo.h"

#include <QObject>
#include <QString>
#include <memory>

class DownloadEvents;
class JobCommands;
class JobDbAutoSave;
class JobLog;
struct AppCore;

// One run of the download engine on the state of `core`, without any window:
// the job log, the eight download slots (DownloadEvents), the job commands
// and the database's auto-save, wired to each other and to the lists of the
// core (their hooks are installed here and removed when the session ends).
// The main window, `mq run`, `mq get` and `mq search` each make one and add
// only what is theirs. The job database, its resume validators and the
// settings file are the ones `core.paths` names.
class DownloadSession : public QObject {
    Q_OBJECT
public:
    explicit DownloadSession(AppCore &core, JobDbIo io = {}, QObject *parent = nullptr);
    ~DownloadSession() override;

    AppCore &core() const { return m_core; }
    JobLog &log() const { return *m_log; }
    DownloadEvents &events() const { return *m_events; }
    JobCommands &commands() const { return *m_commands; }
    JobDbAutoSave &autoSave() const { return *m_autoSave; }

    // What start-up does with a job database that does not exist.
    enum class Missing {
        DefaultTree, // the default categories, written at once
        FixedNodes,  // the fixed nodes only, nothing written
    };
    // The category tree with the jobs of the job database: the fixed nodes
    // tagged with the download folder, then the file's categories and jobs.
    // Jobs saved while running come back as paused jobs.
    DbLoadResult loadDatabase(Missing missing);
    // Every job not complete goes to lvNowDown, in table order.
    void listUnfinishedJobs();
    // The settings, read and written back normalised through the options logic.
    void loadSettings();
    // From now on a job that is listed reaches the database soon.
    void saveListedJobs() { m_saveListed = true; }
    // While held, a waiting job that is listed does not start by itself.
    void holdStarts(bool hold) { m_holdStarts = hold; }

    // Writes the job database now (no path: nothing to write) and reports it
    // through the auto-save's Saved.
    bool save();
    // Why the last save failed, empty after a successful one.
    const QString &lastSaveError() const { return m_saveError; }

signals:
    // A job was listed (before a free slot starts it).
    void JobListed(int job);

private:
    void installHooks();
    bool write();

    AppCore &m_core;
    JobDbIo m_io;
    std::unique_ptr<JobLog> m_log;
    std::unique_ptr<DownloadEvents> m_events;
    std::unique_ptr<JobCommands> m_commands;
    std::unique_ptr<JobDbAutoSave> m_autoSave;
    QString m_saveError;
    bool m_saveListed = false;
    bool m_holdStarts = false;
};
