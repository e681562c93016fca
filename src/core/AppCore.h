#pragma once

#include "core/AppPaths.h"
#include "core/Settings.h"
#include "jobs/CategoryStore.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "jobs/ListRowModel.h"
#include "jobs/MainView.h"
#include "search/SearchTable.h"

#include <QStringList>

// The process-wide state that the main window and `mq` share: start-up
// values, in-memory settings, the job table and the category tree. Logic
// classes take what they need from it by reference.
struct AppCore {
    AppPaths paths;
    Settings settings;
    JobTable DownJobs;
    CategoryStore tree;
    ListRowModel lvNowDown;              // rows of the jobs not yet complete, keys "<index>NowDown"
    JobLists lists{DownJobs, lvNowDown}; // the other lists and the procedures filling them
    MainView view{DownJobs, lists};      // the main window's view and selection state
    SearchTable SearchJobs;              // page search jobs (in memory only)
    QStringList FoundMovies; // movie addresses of the last browser-page scan, page order
    int FoundCount = 0;      // > 0: a scan list waits for the save dialog
    QString FoundBrowser;    // the browser that showed that page (its cache is searched first)
    // The main window's state while the picker is held: 0 normal, 1 minimised, 2 maximised.
    int SavedMainState = 0;
};
