#include "base/clsIniFile.h"
#include "common/TestFiles.h"
#include "core/ProxyList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestProxyList : public QObject {
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
        QFETCH(QString, host);
        QFETCH(QString, port);
        const ProxyEntry e = parseProxyEntry(text);
        QCOMPARE(e.host, host);
        QCOMPARE(e.port, port);
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
        QFETCH(int, useProxy);
        QFETCH(QString, host);
        QFETCH(int, port);
        const ProxyChoice c = chooseProxy(index, text);
        QCOMPARE(c.ok, ok);
        QCOMPARE(c.error.isEmpty(), ok);
        QCOMPARE(int(c.UseProxy), useProxy);
        QCOMPARE(c.ProxyHost, host);
        QCOMPARE(int(quint16(c.ProxyPort)), port);
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
        QFETCH(QString, message);
        QFETCH(int, focus);
        const ProxyInputCheck c = checkProxyInput(host, port);
        QCOMPARE(c.message, message);
        QCOMPARE(c.focus, focus);
    }
};

QTEST_APPLESS_MAIN(TestProxyList)
#include "tst_proxylist.moc"
