#pragma once

#include "engine/BodyPipe.h"
#include "engine/JobReport.h"
#include "engine/PartRetryPolicy.h"
#include "engine/PartTransport.h"
#include "jobs/DownJobRecord.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <limits>

class PartConnection;
class RateLimiter;
class ResumeValidator;
struct Settings;

// The parts of one download job: the connection of each part, the request it
// sends, and the recovery from failures. A failed connection is tried again
// after a delay while its part has retries left (PartRetryPolicy); then the
// nearest running part below takes its range over, else the job fails; once
// every connection has ended, what is still missing is fetched again, and a
// job that stops making progress fails. Reports and answers go to the job by
// signal; the job handles them synchronously and may end the run from inside
// one, which every step checks (run()).
class JobParts : public QObject {
    Q_OBJECT
public:
    // Part 1's end while the size is unknown.
    static constexpr qint32 kUnknownEnd = std::numeric_limits<qint32>::max();
    // Rounds of reconnecting without any progress before the job fails.
    static constexpr int kMaxIdleRounds = 3;

    // `job`: the job's record (ranges, URL, state); `busy`: the job object is
    // in use; `resume`: the validators continuing requests name.
    JobParts(DownJobRecord &job, const bool &busy, const ResumeValidator &resume,
             QObject *parent = nullptr);
    ~JobParts() override;

    void setRateLimiter(RateLimiter *limiter);
    // Whether part k's body may come through the pipe (blockPiped) rather
    // than in memory (blockReceived): the job has its file open.
    void setPipeAccepts(std::function<bool(int)> accepts) { m_pipeAccepts = std::move(accepts); }
    // A run begins with these settings.
    void startRun(const Settings &settings);
    // The run ends: every connection, opened ahead or not, and every retry.
    void endRun();
    // Changes whenever a run begins or ends.
    quint32 run() const { return m_run; }

    void openPart(int k, bool refill);
    void closePart(int k);
    // https: parts 3 and up connect and finish their handshakes while part
    // 2 tests ranges; they send their requests only once the test passed.
    void warmUp();
    void dropWarm(int k); // its socket opened ahead, if any
    bool isPartOpen(int k) const;
    int openCount() const;
    quint32 partGeneration(int k) const; // changes whenever part k's socket does
    bool refilling(int k) const;
    const QString &answerHeader(int k) const;
    const QString &answerStatus(int k) const;
    // Part k's Content-Length is the size of its body (no coding in between).
    bool answerSized(int k) const;

    // Part 1 has had its first answer in this run.
    bool answered() const { return m_answered; }
    void setAnswered() { m_answered = true; }
    // A block of part k was written: its retries count from the start again.
    void dataArrived(int k) { m_retry.dataArrived(k); }
    // The nearest running part below k takes k's range over: its number, 0
    // when none runs, -1 when the run ended in the report.
    int takeOver(int k);
    // Fetches what is missing once every connection and retry has ended.
    void scheduleRefill();

signals:
    void reported(int part, JobReport type, const QString &text);
    // Part k's answer may be used: its header is answerHeader(k); `body` follows it.
    void answerReady(int k, const char *body, qint64 size);
    void blockReceived(int k, const char *data, qint64 size);
    // The next `size` bytes of part k wait in `pipe`, to be written.
    void blockPiped(int k, BodyPipe *pipe, qint64 size);
    void fileChanged();                 // a "206" for a file of another size, or coded
    void requestRefused(int status);    // part 1's answer is an error
    void failed(const QString &reason); // the job cannot go on

private:
    bool report(int k, JobReport type, const QString &text);
    PartTransport::Target target() const;
    QString serverText() const; // the host:port dialled (the proxy's when there is one)
    void partConnected(int k);
    void partHeader(int k, const char *body, qint64 size);
    void partClosed(int k);
    void partError(int k, const QString &text, const QString &reason);
    void partTimedOut(int k, bool connecting, int seconds);
    void partRefused(const QString &reason);
    // A connection of part k failed: tried again while the part has retries
    // left, else the existing path (takeover or job error).
    void partFailed(int k, bool refill, int status, const QString &cause,
                    const QString &retryAfter = QString());
    bool retryLater(int k, bool refill, int status, const QString &cause,
                    const QString &retryAfter);
    void retryDue(int k);
    void giveUp(int k);
    bool answerError(int k, int status); // true when the answer was dealt with
    bool retryPending() const;
    void refill();

    DownJobRecord &m_job;
    const bool &m_busy;
    const ResumeValidator &m_resume;
    PartConnection *m_parts[kMaxParts + 1] = {}; // index 1..10
    QByteArray m_buffer;                         // read buffer shared by the parts
    BodyPipe m_pipe;                             // so is the pipe of plain bodies
    std::function<bool(int)> m_pipeAccepts;
    quint32 m_run = 0;
    bool m_answered = false;
    PartRetryPolicy m_retry;
    QTimer m_retryTimer[kMaxParts + 1];
    bool m_retryRefill[kMaxParts + 1] = {};
    QString m_lastError; // of the last failed connection
    int m_idleRounds = 0;
    qint64 m_refillHave = -1;
};
