#include "base/NumberText.h"
#include "common/TestFiles.h"
#include "core/OptionsLogic.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The normalised file for the given General values, proxies and Other flags.
QByteArray normalised(const QByteArray &general, const QByteArray &proxy, const QByteArray &other) {
    return "[General]\r\n" + general + "[Proxy]\r\n" + proxy + "[Other]\r\n" + other;
}
const QByteArray kDefaultGeneral = "Maxjobs=5\r\nParts=5\r\nRetries=5\r\nCtimeout=30\r\n"
                                   "Rtimeout=60\r\nRedelay=5\r\nFileexits=False\r\n"
                                   "Useragent=MoorQuill 1.0\r\n";
const QByteArray kNoProxy = "Proxynum=0\r\nDefault=0\r\n";
const QByteArray kDefaultOther = "StartMin=0\r\nCloseMin=0\r\nHideMin=0\r\nUseMQ=1\r\n"
                                 "StillDownload=0\r\nDoneExit=0\r\nDownShutDown=0\r\n"
                                 "AutoBack=0\r\nPopMessage=0\r\nSpeedLimit=0\r\n";
} // namespace

class TestOptionsLogic : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("set.ini")); }

private slots:
    void init() { QFile::remove(path()); }

    void numbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "3" << 3;
        QTest::newRow("7.6 rounds up") << "7.6" << 8;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("no number") << "abc" << 0;
        QTest::newRow("unknown value") << "unknown value" << 0;
        QTest::newRow("leading number") << "12abc" << 12;
        QTest::newRow("blanks ignored") << " 1 2" << 12;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("fraction only") << ".6" << 1;
        QTest::newRow("too large") << "99999" << 32767;
        QTest::newRow("too small") << "-1e9" << -32768;
        QTest::newRow("empty") << "" << 0;
    }
    void numbers() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(int(NumberText::integerValue(text)), value);
    }

    void missingFileGetsDefaults() {
        Settings s;
        loadSettingsAtStartup(path(), s);
        QCOMPARE(readFileBytes(path()), normalised(kDefaultGeneral, kNoProxy, kDefaultOther));
        QCOMPARE(s.Maxjobs, qint16(5));
        QCOMPARE(s.Ctimeout, qint16(30));
        QCOMPARE(s.Useragent, QString("MoorQuill 1.0"));
        QCOMPARE(s.UseMQ, qint16(1));
        QCOMPARE(s.PopMessage, qint16(0));
        QCOMPARE(s.SpeedLimit, 0); // files of older versions lack the key
        QVERIFY(!s.Fileexits);
    }

    void speedLimitValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::newRow("plain") << "512" << 512;
        QTest::newRow("rounded") << "99.5" << 100;
        QTest::newRow("none") << "0" << 0;
        QTest::newRow("negative") << "-5" << 0;
        QTest::newRow("text") << "fast" << 0;
        QTest::newRow("beyond 32767") << "100000" << 100000;
        QTest::newRow("capped") << "99999999999" << 4194304;
    }
    void speedLimitValues() {
        QFETCH(QString, text);
        QTEST(int(speedLimitValue(text)), "limit");
    }

    void normalisesFile() {
        // Keys in another order and case, extra keys and sections, odd values.
        QVERIFY(writeFileBytes(path(),
                               "[Foreign]\r\nkeep=1\r\n"
                               "[other]\nPOPMESSAGE=1\nstartmin = 1\nUseMQ=abc\nextra=9\n"
                               "speedlimit=250\n"
                               "[GENERAL]\nuseragent=Agent X\nfileexits=True\nctimeout= 7.6 \n"
                               "Redelay=\nRetries=zz\nMaxJobs=3\nbogus=1\n"
                               "[proxy]\nPROXYNUM=3\n1=p1:8080\n3=p3:a:b\nDefault=7\n"));
        Settings s;
        loadSettingsAtStartup(path(), s);
        QCOMPARE(readFileBytes(path()),
                 "[Foreign]\r\nkeep=1\r\n" +
                     normalised("Maxjobs=3\r\nParts=5\r\nRetries=zz\r\nCtimeout=7.6\r\n"
                                "Rtimeout=60\r\nRedelay=Unknown section or key\r\n"
                                "Fileexits=True\r\nUseragent=Agent X\r\n",
                                "Proxynum=2\r\nDefault=0\r\n1=p1:8080\r\n2=p3:a:b\r\n",
                                "StartMin=1\r\nCloseMin=0\r\nHideMin=0\r\nUseMQ=1\r\n"
                                "StillDownload=0\r\nDoneExit=0\r\nDownShutDown=0\r\n"
                                "AutoBack=0\r\nPopMessage=1\r\nSpeedLimit=250\r\n"));
        QCOMPARE(s.Maxjobs, qint16(3));
        QCOMPARE(s.Parts, qint16(5));
        QCOMPARE(s.Retries, qint16(0));
        QCOMPARE(s.Ctimeout, qint16(8));
        QCOMPARE(s.Redelay, qint16(0));
        QVERIFY(s.Fileexits);
        QCOMPARE(s.Useragent, QString("Agent X"));
        QCOMPARE(s.StartMin, qint16(1));
        QCOMPARE(s.PopMessage, qint16(1));
        QCOMPARE(s.UseMQ, qint16(1)); // not a number: the default
        QCOMPARE(s.SpeedLimit, 250);

        // A normalised file stays as it is.
        const QByteArray once = readFileBytes(path());
        Settings again;
        loadSettingsAtStartup(path(), again);
        QCOMPARE(readFileBytes(path()), once);
    }

    void readValuesAsTheDialogShowsThem() {
        QVERIFY(writeFileBytes(
            path(), "[General]\r\nMaxjobs=\r\nFileexits=false\r\n[Other]\r\nHideMin=1\r\n"
                    "[Proxy]\r\nProxynum=1\r\n1=host-only\r\n"));
        const OptionValues v = iniReadValues(path());
        QCOMPARE(v.Maxjobs, QString("Unknown section or key"));
        QCOMPARE(v.Parts, QString("5"));
        QVERIFY(!v.Overwrite);
        QCOMPARE(v.HideMin, 1);
        QCOMPARE(v.proxies.size(), 1);
        QCOMPARE(v.proxies[0].host, QString()); // no colon: empty host and port
        QCOMPARE(v.proxies[0].port, QString());
    }
};

QTEST_APPLESS_MAIN(TestOptionsLogic)
#include "tst_optionslogic.moc"
