#pragma once

#include "engine/EngineStores.h"
#include "engine/JobFile.h"
#include "engine/JobReport.h"
#include "engine/ResumeValidator.h"
#include "jobs/DownJobRecord.h"

#include <QObject>
#include <QString>

class BodyPipe;
class JobParts;
class RateLimiter;

// Downloads one file over HTTP with up to ten parallel connections (parts),
// each asking for an open-ended byte range and writing at its own position
// in one pre-allocated file. Part 1 is the fallback part: it learns the size
// and keeps the right to the whole file until part 2's range test succeeds.
// The job coordinates its parts (JobParts: their connections, requests and
// recovery): it starts, pauses and ends the run, makes the file, splits it
// after the range test, follows redirects and writes what the parts receive.
//
// The object works on its own copy of the job record and reports through
// UpDataState, which its owner handles synchronously. Every handler checks,
// after reporting or letting events run, that its run is still the current
// one: the owner may complete, pause or restart the job from inside a report.
class clsDownLoadJob : public QObject {
    Q_OBJECT
public:
    explicit clsDownLoadJob(EngineStores stores, QObject *parent = nullptr);
    ~clsDownLoadJob() override;

    qint16 JobIndex = 0;
    bool Busy = false;
    QString JobItem; // key of the job's row in lvNowDown (for its state icon)

    bool Create(int index);
    void Start();
    void Pause();
    void ReadDownState();
    void SaveDownState();
    void CalcHaveDown();

    // Ends the run after the owner completed the job: closes every connection
    // and the file; reports of the old run can no longer arrive.
    void Finish();

    DownJobRecord &Record() { return m_job; }
    const DownJobRecord &Record() const { return m_job; }
    int OpenConnections() const;
    // The program's speed limit, shared by all job objects (none: unlimited).
    void setRateLimiter(RateLimiter *limiter);

    static constexpr int kMaxRedirects = 10;
    static constexpr int kMaxRestarts = 3; // restarts for a changed file per start

signals:
    void UpDataState(qint16 part, JobReport type, const QString &text);
    // Progress of giving a new file its size (bytes done, total).
    void FileCreation(qint64 done, qint64 total);

private:
    bool report(int part, JobReport type, const QString &text);
    void letEventsRun();
    void fail(const QString &reason);
    void requestError(int status);
    void restartChanged(); // the file on the server is another one now

    // The first answer of a part, by what the part was asked.
    void firstAnswer(int k, const char *body, qint64 size);
    void firstBlockPart1(const char *body, qint64 size);
    void newJobFirstBlock(const char *body, qint64 size, bool reusePath);
    void resumedFirstBlock(const char *body, qint64 size);
    bool startRangeTest(); // false when the run or part 1 changed meanwhile
    void rangeTest(const char *body, qint64 size);
    void laterPartFirstBlock(int k, const char *body, qint64 size);
    void refillFirstBlock(int k, const char *body, qint64 size);
    void redirect();
    void writeBlock(int k, const char *data, qint64 size);
    void writePiped(int k, BodyPipe *pipe, qint64 size);
    void afterBlock(int j);
    bool CancelSock(int caller, int k);
    void CreateSocks2();
    void CreateSocks3_5();
    bool takeServerFileName(const QString &header);
    bool CreateFileForSave(bool reusePath);
    bool openSavedFile();
    bool writeBody(int k, const char *data, qint64 size);

    EngineStores m_stores;
    DownJobRecord m_job;
    JobFile m_file;
    ResumeValidator m_resume;
    JobParts *m_parts;
    bool m_created = false; // the last Create could split the URL
    int m_redirects = 0;
    bool m_reusePath = false; // a restart keeps the file's path
    int m_restarts = 0;
};
