#include "common/TestFiles.h"
#include "core/clsIniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("set.ini")); }

private slots:
    void init() { QFile::remove(path()); }

    void reads_data() {
        QTest::addColumn<QByteArray>("file"); // "<none>": no file at all
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray basic = "[General]\r\nMaxjobs=3\r\nEmpty=\r\n";
        QTest::newRow("missing file") << QByteArray("<none>") << "General"
                                      << "Maxjobs"
                                      << "unknown value";
        QTest::newRow("plain") << basic << "General"
                               << "Maxjobs"
                               << "3";
        QTest::newRow("missing key") << basic << "General"
                                     << "Parts"
                                     << "unknown value";
        QTest::newRow("missing section") << basic << "Other"
                                         << "Maxjobs"
                                         << "unknown value";
        QTest::newRow("empty value") << basic << "General"
                                     << "Empty"
                                     << "Unknown section or key";
        QTest::newRow("case of names") << basic << "gENERAL"
                                       << "MAXJOBS"
                                       << "3";
        QTest::newRow("case of non-ASCII names")
            << QByteArray("[\xC4"
                          "bc]\r\n\xE9"
                          "t\xE9=1\r\n")
            << QString::fromUtf8("äBC") << QString::fromUtf8("ÉTÉ") << "1";
        QTest::newRow("Kelvin sign folds to k")
            << QByteArray("[s]\r\nk=2\r\n") << "S" << QString(QChar(0x212A)) << "2";
        QTest::newRow("first of two sections") << QByteArray("[s]\r\na=1\r\n[S]\r\nb=2\r\n") << "s"
                                               << "b"
                                               << "unknown value";
        QTest::newRow("first of two keys") << QByteArray("[s]\r\nK=1\r\nk=2\r\n") << "s"
                                           << "k"
                                           << "1";
        QTest::newRow("key before any section") << QByteArray("k=1\r\n[s]\r\n") << "s"
                                                << "k"
                                                << "unknown value";
        QTest::newRow("blanks trimmed")
            << QByteArray("  [ General ]  \r\n\t Maxjobs \t=  7.6 \t\r\n") << "general"
            << "maxjobs"
            << "7.6";
        QTest::newRow("inner blanks kept") << QByteArray("[A]\r\nk= a  b \r\n") << "A"
                                           << "k"
                                           << "a  b";
        QTest::newRow("quotes removed") << QByteArray("[A]\r\nk=\" x \"\r\n") << "A"
                                        << "k"
                                        << " x ";
        QTest::newRow("one quote kept") << QByteArray("[A]\r\nk=\"x\r\n") << "A"
                                        << "k"
                                        << "\"x";
        QTest::newRow("only blanks") << QByteArray("[A]\r\nk=   \r\n") << "A"
                                     << "k"
                                     << "Unknown section or key";
        QTest::newRow("value with =") << QByteArray("[A]\r\nk=a=b\r\n") << "A"
                                      << "k"
                                      << "a=b";
        QTest::newRow("first duplicate wins") << QByteArray("[A]\r\nk=1\r\nK=2\r\n") << "A"
                                              << "k"
                                              << "1";
        QTest::newRow("first duplicate section")
            << QByteArray("[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\nj=3\r\n") << "A"
            << "j"
            << "unknown value";
        QTest::newRow("LF only") << QByteArray("[A]\nk=v\nj=w\n") << "A"
                                 << "j"
                                 << "w";
        QTest::newRow("no final line end") << QByteArray("[A]\r\nk=v") << "A"
                                           << "k"
                                           << "v";
        QTest::newRow("comment is no key") << QByteArray("[A]\r\n;k=1\r\n") << "A"
                                           << ";k"
                                           << "unknown value";
        QTest::newRow("line without =") << QByteArray("[A]\r\nk\r\nj=2\r\n") << "A"
                                        << "k"
                                        << "unknown value";
        QTest::newRow("key in other section") << QByteArray("[A]\r\n[B]\r\nk=1\r\n") << "A"
                                              << "k"
                                              << "unknown value";
        QTest::newRow("Windows-1252") << QByteArray("[A]\r\nk=\xe9\x80\xfc\r\n") << "A"
                                      << "k" << QString::fromUtf8("é€ü");
        QTest::newRow("254 characters") << "[A]\r\nk=" + QByteArray(300, 'x') + "\r\n"
                                        << "A"
                                        << "k" << QString(254, QLatin1Char('x'));
    }
    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        if (file != "<none>") QVERIFY(writeFileBytes(path(), file));
        clsIniFile ini;
        ini.IniFileName = path();
        QCOMPARE(ini.GetSetting(section, key), expected);
    }

    void writes_data() {
        QTest::addColumn<QByteArray>("before"); // "<none>": no file
        QTest::addColumn<QString>("op");        // "save" or "delete"
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("creates file") << QByteArray("<none>") << "save"
                                      << "General"
                                      << "Maxjobs"
                                      << "5" << QByteArray("[General]\r\nMaxjobs=5\r\n");
        QTest::newRow("replaces in place") << QByteArray("[S]\r\na=1\r\nKEY=2\r\nc=3\r\n") << "save"
                                           << "s"
                                           << "key"
                                           << "9" << QByteArray("[S]\r\na=1\r\nKEY=9\r\nc=3\r\n");
        QTest::newRow("appends to its section")
            << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\nz=0\r\n") << "save"
            << "a"
            << "y"
            << "2" << QByteArray("[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=0\r\n");
        QTest::newRow("new section at end")
            << QByteArray("[A]\r\nx=1\r\n") << "save"
            << "B"
            << "y"
            << " v " << QByteArray("[A]\r\nx=1\r\n[B]\r\ny= v \r\n");
        QTest::newRow("LF file becomes CR LF") << QByteArray("[A]\nx=1\n") << "save"
                                               << "A"
                                               << "y"
                                               << "2" << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        QTest::newRow("Windows-1252 out")
            << QByteArray("<none>") << "save"
            << "A"
            << "k" << QString::fromUtf8("é€") << QByteArray("[A]\r\nk=\xe9\x80\r\n");
        QTest::newRow("line break in value") << QByteArray("<none>") << "save"
                                             << "A"
                                             << "k"
                                             << "a\r\nb" << QByteArray("[A]\r\nk=a  b\r\n");
        QTest::newRow("delete section")
            << QByteArray("[A]\r\nx=1\r\n[b]\r\ny=2\r\n;c\r\n[C]\r\nz=3\r\n") << "delete"
            << "B"
            << ""
            << "" << QByteArray("[A]\r\nx=1\r\n[C]\r\nz=3\r\n");
        QTest::newRow("delete absent section") << QByteArray("[A]\nx=1\n") << "delete"
                                               << "B"
                                               << ""
                                               << "" << QByteArray("[A]\nx=1\n");
        QTest::newRow("delete in missing file") << QByteArray("<none>") << "delete"
                                                << "B"
                                                << ""
                                                << "" << QByteArray();
    }
    void writes() {
        QFETCH(QByteArray, before);
        QFETCH(QString, op);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (before != "<none>") QVERIFY(writeFileBytes(path(), before));
        clsIniFile ini;
        ini.IniFileName = path();
        if (op == QLatin1String("save"))
            ini.SaveSetting(section, key, value);
        else
            ini.DeleteSection(section);
        QCOMPARE(readFileBytes(path()), after);
        // Writes replace the file whole: no temporary file stays behind.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 after.isEmpty() ? 0 : 1);
    }

    void valueRoundTripsAsRead() {
        clsIniFile ini;
        ini.IniFileName = path();
        ini.SaveSetting("A", "k", "Mozilla/4.0 (Windows 95;US) Opera 3.60  [en]");
        QCOMPARE(ini.GetSetting("a", "K"), QString("Mozilla/4.0 (Windows 95;US) Opera 3.60  [en]"));
        QVERIFY(ini.lastWriteOk());
    }

    void batchedCallsMatchSingleCalls() {
        const QByteArray start = "[b]\r\nk=1\r\n[A]\r\nx=1\r\n";
        QByteArray beforeEnd;
        auto run = [&](bool batch) -> QByteArray {
            writeFileBytes(path(), start);
            clsIniFile ini;
            ini.IniFileName = path();
            if (batch) ini.beginUpdate();
            ini.DeleteSection("A");
            ini.SaveSetting("A", "y", "2");
            ini.SaveSetting("B", "k", ini.GetSetting("a", "y") + "3");
            if (batch) {
                beforeEnd = readFileBytes(path());
                ini.endUpdate();
            }
            return readFileBytes(path());
        };
        const QByteArray single = run(false);
        QCOMPARE(single, QByteArray("[b]\r\nk=23\r\n[A]\r\ny=2\r\n"));
        QCOMPARE(run(true), single);
        QCOMPARE(beforeEnd, start); // nothing written before endUpdate()
    }

    void batchedAppendsBeforeTrailingBlankLines() {
        const QByteArray start = "[A]\r\nx=1\r\n\r\n\r\n";
        auto run = [&](bool batch) -> QByteArray {
            writeFileBytes(path(), start);
            clsIniFile ini;
            ini.IniFileName = path();
            if (batch) ini.beginUpdate();
            ini.SaveSetting("A", "y", "2");
            ini.SaveSetting("a", "z", "3");
            ini.SaveSetting("A", "Y", ini.GetSetting("A", "z") + "4");
            ini.SaveSetting("[B", "w", "5");
            ini.SaveSetting("[b", "v", ini.GetSetting("[B", "W"));
            if (batch) ini.endUpdate();
            return readFileBytes(path());
        };
        const QByteArray single = run(false);
        QCOMPARE(single, QByteArray("[A]\r\nx=1\r\ny=34\r\nz=3\r\n\r\n\r\n[[B]\r\nw=5\r\nv=5\r\n"));
        QCOMPARE(run(true), single);
    }

    void failedWriteLeavesNoFile() {
        clsIniFile ini;
        ini.IniFileName = m_dir.filePath(QStringLiteral("no/such/dir/set.ini"));
        ini.SaveSetting("A", "k", "v");
        QVERIFY(!ini.lastWriteOk());
        QCOMPARE(ini.GetSetting("A", "k"), QString("unknown value"));
    }
};

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
