#pragma once

#include "jobs/MenuRules.h"

class CategoryStore;

// Enabling of the editing entries that editMenuRules and fileMenuRules leave
// alone: rename, find, the referrer page, the information output, the
// category entries by the selected node, and the tree's pop-up.
EnabledMap editExtraRules(const JobTable &jobs, const SelectionFacts &facts, int selectedJob);
// The File menu's own entries of this module.
EnabledMap fileExtraRules(const SelectionFacts &facts);
// The tree's pop-up follows the File menu's import entries.
EnabledMap treePopupRules(int view);
