// The options of set.ini: numbers, normalising the file, and the list of
// proxies and the choice among them.
#include "base/NumberText.h"
#include "base/clsIniFile.h"
#include "common/JobFields.h"
#include "common/TestFiles.h"
#include "core/OptionsLogic.h"
#include "core/ProxyList.h"
#include "core/SettingsJson.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QJsonObject json(const Settings &s) {
    return QJsonDocument::fromJson(settingsToJson(s, {}).toJson()).object();
}

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

class TestOptions : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("set.ini")); }
    void store(const QVector<ProxyEntry> &entries) {
        clsIniFile ini;
        ini.IniFileName = path();
        writeProxyEntries(ini, entries);
    }

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
        QTEST(int(NumberText::integerValue(text)), "value");
    }

    void missingFileGetsDefaults() {
        Settings s;
        loadSettingsAtStartup(path(), s);
        QCOMPARE(readFileBytes(path()), normalised(kDefaultGeneral, kNoProxy, kDefaultOther));
        COMPARE_FIELDS(json(s), "{'Maxjobs': 5, 'Ctimeout': 30, 'Useragent': 'MoorQuill 1.0', "
                                "'UseMQ': 1, 'PopMessage': 0, 'Fileexits': false}");
        QCOMPARE(s.SpeedLimit, 0); // files of older versions lack the key
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
        // UseMQ is no number: the default.
        COMPARE_FIELDS(json(s), "{'Maxjobs': 3, 'Parts': 5, 'Retries': 0, 'Ctimeout': 8, "
                                "'Redelay': 0, 'Fileexits': true, 'Useragent': 'Agent X', "
                                "'StartMin': 1, 'PopMessage': 1, 'UseMQ': 1}");
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

    void onlyKeysNamedByTheirNumberCount() {
        // Keys spelt otherwise, past the count, repeated or holding the
        // missing-value text are not entries; the first of two keys wins.
        QVERIFY(writeFileBytes(path(),
                               "[proxy]\r\nPROXYNUM=5\r\n01=zero:1\r\n+2=plus:2\r\n 3 =three:3\r\n"
                               "2=two:2\r\n2=again:2\r\n6=six:6\r\n4=unknown value\r\n5=five:5\r\n"
                               "[Next]\r\n1=other:1\r\n"));
        clsIniFile ini;
        ini.IniFileName = path();
        const QVector<ProxyEntry> expected{{"two", "2"}, {"three", "3"}, {"five", "5"}};
        QCOMPARE(readProxyEntries(ini), expected);
        const ProxyChoices choices = FillProxyChoices(path());
        QCOMPARE(choices.texts, QStringList({kDirectConnection, "two:2", "three:3", "five:5"}));
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::newRow("plain") << "proxy1:8080" << QString("proxy1") << "8080";
        QTest::newRow("first colon") << "h:1:2" << QString("h") << "1:2";
        QTest::newRow("no colon") << "proxy1" << QString() << QString();
        QTest::newRow("empty port") << "h:" << QString("h") << QString();
    }
    void parse() {
        QFETCH(QString, text);
        const ProxyEntry e = parseProxyEntry(text);
        QTEST(QString(e.host), "host");
        QTEST(QString(e.port), "port");
    }

    void choicesListEntriesInKeyOrder() {
        const ProxyChoices none = FillProxyChoices(path()); // no file yet
        QCOMPARE(none.texts, QStringList{"Direct Connection"});
        QCOMPARE(none.selected, 0);
        store({{"proxy1", "8080"}, {"10.0.0.2", "3128"}});
        ProxyChoices c = FillProxyChoices(path());
        QCOMPARE(c.texts, QStringList({"Direct Connection", "proxy1:8080", "10.0.0.2:3128"}));
        QCOMPARE(c.selected, 0);
        clsIniFile ini;
        ini.IniFileName = path();
        ini.SaveSetting("Proxy", "Default", "2");
        QCOMPARE(FillProxyChoices(path()).selected, 2);
    }

    void choose_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("useProxy");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port"); // unsigned port number
        QTest::newRow("direct") << 0 << "Direct Connection" << true << 0 << "" << 0;
        QTest::newRow("entry") << 1 << "proxy1:8080" << true << -1 << "proxy1" << 8080;
        QTest::newRow("high port") << 1 << "h:65535" << true << -1 << "h" << 65535;
        QTest::newRow("not a number") << 1 << "h:abc" << false << 0 << "" << 0;
        QTest::newRow("out of range") << 1 << "h:70000" << false << 0 << "" << 0;
        QTest::newRow("zero") << 1 << "h:0" << false << 0 << "" << 0;
        QTest::newRow("second colon") << 1 << "h:80:1" << false << 0 << "" << 0;
        QTest::newRow("no colon") << 1 << "h" << false << 0 << "" << 0;
    }
    void choose() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        const ProxyChoice c = chooseProxy(index, text);
        QCOMPARE(c.ok, ok);
        QCOMPARE(c.error.isEmpty(), ok);
        QTEST(int(c.UseProxy), "useProxy");
        QTEST(QString(c.ProxyHost), "host");
        QTEST(int(quint16(c.ProxyPort)), "port");
    }

    void inputChecks_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        const QString range = "The Proxy Server Port must be a number from 1 to 65535!";
        QTest::newRow("fine") << "h" << QString("8080") << QString() << 0;
        QTest::newRow("no host") << "" << QString("8080")
                                 << QString("Please input Proxy Server Name or Ip!") << 1;
        QTest::newRow("no port") << "h" << QString() << QString("Please input Proxy Server Port!")
                                 << 2;
        QTest::newRow("bad port") << "h" << QString("80a") << range << 2;
        QTest::newRow("port too big") << "h" << QString("65536") << range << 2;
    }
    void inputChecks() {
        QFETCH(QString, host);
        QFETCH(QString, port);
        const ProxyInputCheck c = checkProxyInput(host, port);
        QTEST(QString(c.message), "message");
        QTEST(int(c.focus), "focus");
    }
};

QTEST_APPLESS_MAIN(TestOptions)
#include "tst_options.moc"
