#pragma once

#include "engine/PartRetryPolicy.h"
#include "engine/PartTransport.h"
#include "engine/ResumeValidator.h"
#include "jobs/DownJobRecord.h"
#include "platform/RawFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <limits>

class PartTimers;
class RateLimiter;
class QTcpSocket;
struct AppCore;

// Downloads one file over HTTP with up to ten parallel connections (parts),
// each asking for an open-ended byte range and writing at its own position
// in one pre-allocated file. Part 1 is the fallback part: it learns the size
// and keeps the right to the whole file until part 2's range test succeeds.
//
// The object works on its own copy of the job record and reports through
// UpDataState, which its owner handles synchronously. Every handler checks,
// after reporting or letting events run, that its run is still the current
// one: the owner may complete, pause or restart the job from inside a report.
class clsDownLoadJob : public QObject {
    Q_OBJECT
public:
    explicit clsDownLoadJob(AppCore &core, QObject *parent = nullptr);
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
    void setRateLimiter(RateLimiter *limiter) { m_limiter = limiter; }

    // Largest block read from a connection at once.
    static constexpr qint64 kBlockSize = 512 * 1024;
    // Rounds of reconnecting without any progress before the job fails.
    static constexpr int kMaxIdleRounds = 3;
    static constexpr int kMaxRedirects = 10;
    static constexpr int kMaxRestarts = 3; // restarts for a changed file per start

signals:
    void UpDataState(qint16 part, const QString &type, const QString &text);
    // Progress of giving a new file its size (bytes done, total).
    void FileCreation(qint64 done, qint64 total);

private:
    // Part 1's end while the size is unknown.
    static constexpr qint32 kUnknownEnd = std::numeric_limits<qint32>::max();

    struct Connection {
        QTcpSocket *sock = nullptr;
        bool HeaderPending = false;
        bool refill = false;    // opened again to fetch the rest of a part's range
        bool requested = false; // the request has been sent and reported
        bool answered = false;  // its answer's header has been handled
        QString tlsError;       // the certificate was refused: the job ends
        bool paced = false;     // waits for the speed limit's tokens
        bool drainDue = false;  // TLS: a read of all decrypted bytes is queued
        QByteArray collected;   // first-block bytes until the header is whole
        QString header;
        int headerLength = 0;
        QString status;
    };

    bool report(int part, const QString &type, const QString &text);
    void letEventsRun();
    PartTransport::Target target() const;
    void openPart(int k, bool refill);
    // https: parts 3 and up connect and finish their handshakes while part
    // 2 tests ranges; they send their requests only once the test passed.
    void warmUp();
    QTcpSocket *takeWarm(int k); // nullptr when there is none (or it died)
    void dropWarm(int k);
    void closeSock(int k);
    void closeAll();
    void onConnected(int k, QTcpSocket *sock);
    void onReadyRead(int k, QTcpSocket *sock);
    void onDisconnected(int k, QTcpSocket *sock);
    void onError(int k, QTcpSocket *sock);
    void onTimeout(int k, bool connecting, int seconds);
    void tlsFailed(int k, const QString &reason);
    void waitForTokens(int k, QTcpSocket *sock);

    // Failures of one part's connection: tried again after a delay while the
    // part has retries left, else the existing path (takeover or job error).
    void partFailed(int k, bool refill, int status, const QString &cause,
                    const QString &retryAfter = QString());
    // Schedules the part's next try when the policy allows one.
    bool retryLater(int k, bool refill, int status, const QString &cause,
                    const QString &retryAfter);
    void giveUp(int k);
    bool answerError(int k, int status); // true when the answer was dealt with
    void retryDue(int k);
    void restartChanged(); // the file on the server is another one now

    void handleBlock(int k, const char *data, qint64 size);
    void handleFirstBlock(int k, const char *data, qint64 size, bool whole);
    void firstBlockPart1(const char *body, qint64 size);
    void newJobFirstBlock(const char *body, qint64 size, bool reusePath);
    void resumedFirstBlock(const char *body, qint64 size);
    bool startRangeTest(); // false when the run or part 1 changed meanwhile
    void rangeTest(const char *body, qint64 size);
    void laterPartFirstBlock(int k, const char *body, qint64 size);
    void refillFirstBlock(int k, const char *body, qint64 size);
    void redirect();
    void requestError(const QString &code);
    void afterBlock(int j);
    bool CancelSock(int caller, int k);
    void CreateSocks2();
    void CreateSocks3_5();
    bool CreateFileForSave(bool reusePath);
    bool openSavedFile();
    bool writeBody(int k, const char *data, qint64 size);
    void fail(const QString &reason);
    void scheduleRefill();
    void refill();

    AppCore &m_core;
    DownJobRecord m_job;
    Connection m_parts[kMaxParts + 1]; // index 1..10
    RawFile m_file;
    QByteArray m_buffer;
    quint32 m_run = 0;           // changes whenever a run starts or ends
    bool m_answered = false;     // part 1 has had its first answer in this run
    bool m_plainRequest = false; // requests leave out "Accept -Encoding" (see RequestText)
    bool m_created = false;      // the last Create could split the URL
    int m_redirects = 0;
    int m_idleRounds = 0;
    PartRetryPolicy m_retry;
    PartTimers *m_timers = nullptr;
    RateLimiter *m_limiter = nullptr;
    bool m_retryRefill[kMaxParts + 1] = {};
    ResumeValidator m_resume;
    bool m_reusePath = false; // a restart keeps the file's path
    int m_restarts = 0;
    QString m_lastError; // of the last failed connection
    qint64 m_refillHave = -1;
    struct Warm {
        QTcpSocket *sock = nullptr;
        QMetaObject::Connection error, closed;
    };
    Warm m_warm[kMaxParts + 1];
};
