#pragma once

class JobLists;
class JobTable;
class SearchTable;

// What a page search works on: its own table, the job table the movies it
// finds join, and the lists that show both (lvDownHtml, lvNowDown).
struct SearchStores {
    SearchTable &searches;
    JobTable &jobs;
    JobLists &lists;
};
