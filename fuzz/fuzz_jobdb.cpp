// The job database loader on arbitrary bytes; what it keeps must save and
// load again without damage.
#include "FuzzInput.h"

#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"
#include "jobs/JobDatabase.h"
#include "jobs/JobJson.h"
#include "jobs/JobTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CategoryStore tree;
    AddFixedNodes(tree, {});
    JobTable jobs;
    const DbLoadResult loaded = ReadJobDatabase(tree, jobs, FuzzInput::bytes(data, size));
    databaseToJson(tree, jobs).toJson();

    CategoryStore again;
    AddFixedNodes(again, {});
    JobTable againJobs;
    const DbLoadResult reloaded = ReadJobDatabase(again, againJobs, JobDatabaseBytes(tree, jobs));
    FuzzInput::require(!reloaded.damaged, "a loaded database saves as a damaged file");
    FuzzInput::require(reloaded.categories == loaded.categories, "categories lost on save");
    return 0;
}
