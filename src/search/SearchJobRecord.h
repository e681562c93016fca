#pragma once

#include "jobs/DownJobRecord.h"

#include <QString>
#include <QtGlobal>

// Search job states kept in SearchJobRecord::State.
enum SearchState : qint32 {
    SearchFree = 0, // a deleted search job's record
    SearchRunning = 1,
    SearchPaused = 2,
    SearchWaiting = 3,
    SearchError = 5,
    SearchAnalysed = 8,
};

// One page search job. Search jobs live in memory only.
struct SearchJobRecord {
    qint32 State = 0;
    qint16 Depth = 0; // link levels left; 0 analyses this page only
    QString FileName;
    qint32 TotalSize = 0;
    qint32 Received = 0;
    QString Url;
    QString RequestPath;
    QString Directory;
    QString EnteredUrl;
    QString Host;     // keeps a ":port" written in the URL
    qint16 Port = 80; // the port dialled: the one written in the URL, else 80
    qint16 UseProxy = 0;
    QString ProxyHost;
    qint16 ProxyPort = 0;
    qint16 UseLogin = 0;
    QString UserName;
    QString Password;
    DownJobRecord JobTemplate; // copied into every download job the search creates

    quint16 portNumber() const { return quint16(Port); }
    quint16 proxyPortNumber() const { return quint16(ProxyPort); }
};
