#pragma once

#include <QString>

class JobLists;
class JobTable;
struct Settings;

// What the download engine works on: the job table, the lists that show the
// jobs (lvNowDown and its state icons), the settings of the run and the job
// database's path (the resume validators are kept beside it; empty: none).
struct EngineStores {
    JobTable &jobs;
    JobLists &lists;
    const Settings &settings;
    const QString &dbPath;
};
