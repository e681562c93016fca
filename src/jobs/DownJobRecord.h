#pragma once

#include <QString>
#include <QtGlobal>

// Byte range of one part: it began at StartPos, its next byte goes to Pos and
// it is finished when Pos is greater than EndPos.
struct PartRange {
    qint32 StartPos = 0;
    qint32 Pos = 0;
    qint32 EndPos = 0;
};

constexpr int kMaxParts = 10;
constexpr qint16 kTrue = -1; // flags are 16-bit integers: -1 true, 0 false
constexpr qint16 kFalse = 0;

// Job states kept in DownJobRecord::State.
enum JobState : qint32 {
    StateFree = 0,
    StateRunning = 1,
    StatePaused = 2,
    StateWaiting = 3,
    StateComplete = 4,
    StateError = 5,
};

// One download job. Field order and types are those of the job database.
// Ports are 16-bit fields; the port number is their unsigned value.
struct DownJobRecord {
    QString CategoryKey;
    qint32 State = 0;
    QString Referer;
    qint16 CanResume = 0;
    QString Comment;
    QString SavePath;
    QString FileName;
    qint16 IsNew = 0;
    qint16 FileOpen = 0;
    qint32 FileNumber = 0;
    QString RemoteName;
    qint32 TotalSize = 0;
    qint32 Received = 0;
    qint16 Parts = 0;
    QString Url;
    QString RequestPath;
    QString Host;
    qint16 Port = 0;
    qint16 UseProxy = 0;
    QString ProxyHost;
    qint16 ProxyPort = 0;
    qint16 UseLogin = 0;
    QString UserName;
    QString Password;
    QString UserAgent;
    PartRange PartRanges[kMaxParts];
    double CreateTime = 0;
    double CompleteTime = 0;
    double TotalTime = 0;
    double StartTime = 0;
    double ElapsedTime = 0;
    float AverageSpeed = 0;
    // Not part of the database: the browser session's cookies handed over
    // with the job, sent as one Cookie line during this run only.
    QString Cookies;

    quint16 portNumber() const { return quint16(Port); }
    quint16 proxyPortNumber() const { return quint16(ProxyPort); }
    PartRange &part(int k) { return PartRanges[k - 1]; } // parts count from 1
    const PartRange &part(int k) const { return PartRanges[k - 1]; }
};

// Copies the proxy and the login a record reaches its server with (any
// record with these six fields: a job, a page search) into `to`.
template <typename Record> void copyServerAccess(const Record &from, DownJobRecord &to) {
    to.UseProxy = from.UseProxy;
    to.ProxyHost = from.ProxyHost;
    to.ProxyPort = from.ProxyPort;
    to.UseLogin = from.UseLogin;
    to.UserName = from.UserName;
    to.Password = from.Password;
}
