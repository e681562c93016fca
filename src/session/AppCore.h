#pragma once

#include "base/AppPaths.h"
#include "base/ListRowModel.h"
#include "core/Settings.h"
#include "engine/EngineStores.h"
#include "jobs/CategoryStore.h"
#include "jobs/DbCommit.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "jobs/MainView.h"
#include "search/SearchStores.h"
#include "search/SearchTable.h"
#include "session/FoundMovieList.h"

// The process-wide state that the main window and `mq` share: start-up
// values, in-memory settings, the job table and the category tree. Logic
// classes below this folder take the parts they need (engine(), search(),
// dbCommit() or single stores) by reference.
struct AppCore {
    AppPaths paths;
    Settings settings;
    JobTable DownJobs;
    CategoryStore tree;
    ListRowModel lvNowDown;              // rows of the jobs not yet complete, keys "<index>NowDown"
    JobLists lists{DownJobs, lvNowDown}; // the other lists and the procedures filling them
    MainView view{DownJobs, lists};      // the main window's view and selection state
    SearchTable SearchJobs;              // page search jobs (in memory only)
    FoundMovieList scan;                 // the last browser-page scan's movies
    // The main window's state while the picker is held: 0 normal, 1 minimised, 2 maximised.
    int SavedMainState = 0;

    EngineStores engine() { return {DownJobs, lists, settings, paths.JobDbPath}; }
    SearchStores search() { return {SearchJobs, DownJobs, lists}; }
    // Writes the tree and the jobs to the job database through `io`.
    DbCommit dbCommit(JobDbIo io = {}) const { return {tree, DownJobs, paths.JobDbPath, io}; }
};
