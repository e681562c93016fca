#pragma once

#include <QString>
#include <QtGlobal>

class SearchSlot;
class SearchTable;

// What the new-job dialog (page search mode) and `mq search` gather for a
// new page search.
struct NewSearchValues {
    QString url;         // the URL as entered
    qint16 depth = 0;    // 0 this page only, 1 also its links
    bool manual = false; // "Manual": the search waits paused for a start command
    QString categoryKey; // category of the download jobs it creates
    QString saveFolder;  // their download folder
    qint16 parts = 5;    // their number of parts
    QString userAgent;   // their user agent
    QString cookies;     // their Cookie line (a browser's session, this run only)
    bool useProxy = false;
    QString proxyHost;
    quint16 proxyPort = 0;
    bool useLogin = false;
    QString userName, password;
};

// AddNewSearch: appends one search record built from `values` and lists it
// (AddSearchToList starts it when it waits and the slot is free). Returns
// its index, or 0 when the search table is full.
int AddNewSearch(SearchTable &searches, SearchSlot &slot, const NewSearchValues &values);
