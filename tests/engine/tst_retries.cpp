#include "common/TestRows.h"
#include "engine/ConnectionWatch.h"
#include "engine/EngineRig.h"
#include "engine/PartRetryPolicy.h"

#include <QElapsedTimer>
#include <QtTest>

using Resource = FaultHttpServer::Resource;

namespace {
// Retries and time-outs as the options dialog stores them (seconds).
void setRetries(EngineRig &rig, int retries, int redelay, int ctimeout = 0, int rtimeout = 0) {
    rig.core.settings.Retries = qint16(retries);
    rig.core.settings.Redelay = qint16(redelay);
    rig.core.settings.Ctimeout = qint16(ctimeout);
    rig.core.settings.Rtimeout = qint16(rtimeout);
}
} // namespace

class TestRetries : public QObject {
    Q_OBJECT
private slots:
    void init() { PartRetryPolicy::MsPerSecond = 1000; }
    void retryAfter_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("seconds");
        QTest::newRow("seconds") << "1" << 1;
        QTest::newRow("spaces") << " 42 " << 42;
        QTest::newRow("capped") << "700" << 600;
        QTest::newRow("huge") << "99999999999999999999" << 600;
        QTest::newRow("date ahead") << "Sun, 06 Dec 2026 20:00:30 GMT" << 30;
        QTest::newRow("date past") << "Sun, 06 Dec 2026 19:00:00 GMT" << 0;
        QTest::newRow("date far") << "Mon, 07 Dec 2026 20:00:00 GMT" << 600;
        QTest::newRow("garbage") << "soon" << -1;
        QTest::newRow("negative") << "-5" << -1;
        QTest::newRow("empty") << "" << -1;
    }

    void retryAfter() {
        QFETCH(QString, value);
        const QDateTime now(QDate(2026, 12, 6), QTime(20, 0), Qt::UTC);
        QTEST(PartRetryPolicy::RetryAfterSeconds(value, now), "seconds");
    }

    void policyCountsPerPart() {
        PartRetryPolicy policy;
        policy.reset(2, 3);
        QVERIFY(!policy.failed(1, 404).retry);
        QVERIFY(!policy.failed(1, 403).retry);
        auto d = policy.failed(1, 0);
        QVERIFY(d.retry);
        QCOMPARE(d.attempt, 1);
        QCOMPARE(d.seconds, 3);
        QCOMPARE(PartRetryPolicy::RetryText(d, 2), QStringLiteral("Retry 1 of 2 in 3 s"));
        d = policy.failed(1, 429, QStringLiteral("7"));
        QCOMPARE(d.attempt, 2);
        QCOMPARE(d.seconds, 7);
        QVERIFY(!policy.failed(1, 503).retry); // used up
        QVERIFY(policy.failed(2, 408).retry);  // every part counts for itself
        policy.dataArrived(1);                 // data gives the count back
        QCOMPARE(policy.failed(1, 500, QStringLiteral("9")).seconds, 3);
    }

    void connectTimeoutFires() {
        PartRetryPolicy::MsPerSecond = 20;
        ConnectionWatch watch;
        QSignalSpy spy(&watch, &ConnectionWatch::timedOut);
        watch.setLimits(1, 3);
        watch.watchConnect();
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(0).at(1).toInt(), 1);
        // Activity keeps a receiving connection alive; silence ends it.
        watch.watchReceive();
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        while (clock.elapsed() < 120) {
            watch.activity();
            last = clock.elapsed();
            QTest::qWait(10);
        }
        QCOMPARE(spy.count(), 1);
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.at(1).at(0).toBool(), false);
        QCOMPARE(spy.at(1).at(1).toInt(), 3);
        QVERIFY(clock.elapsed() - last >= 60);
    }

    void stallAfterHeaderEndsInError() {
        // Real seconds: Rtimeout 2, Retries 2, Redelay 1 end the job in about 8 s.
        EngineRig rig;
        rig.server.serve("/st.swf", 20000);
        rig.server.resource("/st.swf").stall = true;
        setRetries(rig, 2, 1, 30, 2);
        const int index = rig.run(rig.url("/st.swf"), 1);
        QCOMPARE(rig.job(index).State, qint32(StateError));
        QCOMPARE(rig.server.requests.size(), 3);
        const QStringList log = rig.logTexts();
        // Three time-out lines, the two retries naming their cause, the last line.
        QCOMPARE(log.filter(QStringLiteral("Time Out: nothing received for 2 s")).size(),
                 3 + 2 + 1);
        QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^Retry [12] of 2 in 1 s"))).size(),
                 2);
        QVERIFY2(log.last().contains(QStringLiteral("Time Out")), qPrintable(log.last()));
    }

    void recovers_data() {
        QTest::addColumn<QByteArray>("status"); // "drop": connections drop instead
        QTest::addColumn<int>("fails");         // answers with that status, then the file
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("parts");
        QTest::addColumn<QString>("retryLine"); // a log line that must appear
        const QByteArray none;
        for (int parts : {1, 3, 10})
            QTest::addRow("two drops per part, %d parts", parts)
                << QByteArray("drop") << 2 << none << parts << "Retry 2 of 2 in 1 s";
        row("503 with Retry-After", QByteArray("HTTP/1.1 503 Service Unavailable"), 1,
            QByteArray("1"), 3, "Retry 1 of 2 in 1 s (HTTP/1.1 503");
        row("429 with Retry-After", QByteArray("HTTP/1.1 429 Too Many Requests"), 1,
            QByteArray("1"), 1, "Retry 1 of 2 in 1 s (HTTP/1.1 429");
        row("500 twice", QByteArray("HTTP/1.1 500 Internal Server Error"), 2, none, 1,
            "Retry 2 of 2 in 4 s (HTTP/1.1 500");
        row("408", QByteArray("HTTP/1.1 408 Request Timeout"), 1, none, 1,
            "Retry 1 of 2 in 4 s (HTTP/1.1 408");
        row("200 with another reason", QByteArray("HTTP/1.1 200 Fine"), 1, none, 3, "");
    }

    void recovers() {
        QFETCH(QByteArray, status);
        QFETCH(int, fails);
        QFETCH(int, parts);
        QFETCH(QString, retryLine);
        PartRetryPolicy::MsPerSecond = 50;
        EngineRig rig;
        rig.server.serve("/r.swf", 300000);
        Resource &r = rig.server.resource("/r.swf");
        const bool drop = status == "drop";
        if (drop) {
            r.dropAfter = 0;
            r.dropTimes = fails;
            r.dropPerRange = true;
        } else if (status.contains(" 200 ")) {
            r.status = status;
        } else {
            r.failStatus = status;
            r.failTimes = fails;
            QFETCH(QByteArray, retryAfter);
            r.retryAfter = retryAfter;
        }
        setRetries(rig, 2, drop ? 1 : 4, 5, 5);
        const int index = rig.run(rig.url("/r.swf"), parts);
        VERIFY_COMPLETE(rig, index, r.body);
        if (!retryLine.isEmpty())
            QVERIFY2(!rig.logTexts().filter(retryLine).isEmpty(),
                     qPrintable(rig.logTexts().filter(QStringLiteral("Retry")).join('|')));
        else
            QCOMPARE(rig.count(QStringLiteral("Retry")), 0);
    }

    void refusedFirstThenAccepted() {
        PartRetryPolicy::MsPerSecond = 50;
        EngineRig rig;
        FaultHttpServer &server = rig.server;
        const Resource r = server.serve("/late.swf", 120000);
        const QString url = server.url("/late.swf");
        const quint16 port = server.port();
        server.close(); // refused until the first retry is announced
        setRetries(rig, 3, 1, 5, 5);
        QObject::connect(rig.events->clsDownJob(1), &clsDownLoadJob::UpDataState, &server,
                         [&server, port](qint16, JobReport type, const QString &) {
                             if (type == JobReport::Retry && !server.isListening())
                                 server.listen(QHostAddress::LocalHost, port);
                         });
        const int index = rig.run(url, 4);
        VERIFY_COMPLETE(rig, index, r.body);
        QCOMPARE(rig.logTexts().filter(QStringLiteral("Retry 1 of 3 in 1 s")).size(), 1);
    }

    void errorAnswers_data() {
        QTest::addColumn<QByteArray>("status"); // empty: the path is unknown (404)
        QTest::addColumn<int>("retries");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("code");
        row("404 not retried", QByteArray(), 2, 1, "404");
        row("403 not retried", QByteArray("HTTP/1.1 403 Forbidden"), 2, 1, "403");
        row("410 not retried", QByteArray("HTTP/1.0 410 Gone"), 2, 1, "410");
        row("503 without retries", QByteArray("HTTP/1.1 503 Busy"), 0, 1, "503");
        row("500 retries used up", QByteArray("HTTP/1.1 500 Internal Server Error"), 2, 3, "500");
        row("404 quoting a 200", QByteArray("HTTP/1.1 404 Not Found\r\nX-Debug: HTTP/1.1 200 OK"),
            2, 1, "404");
    }

    void errorAnswers() {
        QFETCH(QByteArray, status);
        QFETCH(int, retries);
        QFETCH(QString, code);
        PartRetryPolicy::MsPerSecond = 20;
        EngineRig rig;
        if (!status.isEmpty()) {
            rig.server.serve("/e.swf", 5000);
            rig.server.resource("/e.swf").failStatus = status;
            rig.server.resource("/e.swf").failTimes = 100;
        }
        setRetries(rig, retries, 1, 5, 5);
        const int index = rig.run(rig.url("/e.swf"), 3);
        QCOMPARE(rig.job(index).State, qint32(StateError));
        QTEST(int(rig.server.requests.size()), "requests");
        QCOMPARE(rig.count(QStringLiteral("RequestError")), 1);
        QCOMPARE(rig.reports.last().text, code);
        QVERIFY(rig.logTexts().contains(QStringLiteral("Request Url Error! ") + code));
        // The error page never becomes the file.
        QVERIFY(!QFileInfo::exists(rig.job(index).SavePath) ||
                EngineRig::fileBytes(rig.job(index).SavePath).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRetries)
#include "tst_retries.moc"
