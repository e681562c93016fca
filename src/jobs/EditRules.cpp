#include "jobs/EditRules.h"

#include "jobs/JobTable.h"

EnabledMap editExtraRules(const JobTable &jobs, const SelectionFacts &f, int selectedJob) {
    EnabledMap map;
    const bool completed = f.view == 3 && f.completedRows > 0;
    const int rows = f.view == 2 ? f.nowDownRows : f.view == 3 ? f.completedRows : 0;
    map["mnuEdit_Rename"] = completed && f.hasSelection && jobs.isValid(selectedJob);
    map["mnuEdit_Find"] = rows > 0;
    map["mnuEdit_FindNext"] = rows > 0;
    map["mnuEdit_Browse"] = (f.view == 2 || f.view == 3) && f.hasSelection &&
                            jobs.isValid(selectedJob) && !jobs[selectedJob].Referer.isEmpty();
    return map;
}

EnabledMap fileExtraRules(const SelectionFacts &f) {
    EnabledMap map;
    map["mnuFile_Output"] = (f.view == 2 || f.view == 3) && f.hasSelection;
    return map;
}

EnabledMap treePopupRules(int view) {
    const EnabledMap file = fileMenuRules(view);
    EnabledMap map;
    map["popTree_AddPf"] = file.value("mnuFile_AddNew");
    map["popTree_AddPbf"] = file.value("mnuFile_AddNew1");
    return map;
}
