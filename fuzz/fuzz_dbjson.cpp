// `mq db write`: the JSON reader, the key check, the writer; a document it
// accepts must load without damage.
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
    QString error;
    if (!databaseFromJson(FuzzInput::bytes(data, size), tree, jobs, &error)) return 0;
    if (!CategoryKeysDistinctOnDisk(tree, nullptr, nullptr)) return 0;
    CategoryStore loaded;
    AddFixedNodes(loaded, {});
    JobTable loadedJobs;
    const DbLoadResult result = ReadJobDatabase(loaded, loadedJobs, JobDatabaseBytes(tree, jobs));
    FuzzInput::require(!result.damaged, "an accepted document writes a damaged database");
    return 0;
}
