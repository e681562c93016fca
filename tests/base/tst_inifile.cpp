#include "base/clsIniFile.h"
#include "common/TestFiles.h"

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
        const auto row = [](const char *tag, const QByteArray &file, const QString &section,
                            const QString &key, const QString &expected) {
            QTest::newRow(tag) << file << section << key << expected;
        };
        const QString unknown = QStringLiteral("unknown value");
        const QString empty = QStringLiteral("Unknown section or key");
        const QByteArray basic = "[General]\r\nMaxjobs=3\r\nEmpty=\r\n";
        row("missing file", "<none>", "General", "Maxjobs", unknown);
        row("plain", basic, "General", "Maxjobs", "3");
        row("missing key", basic, "General", "Parts", unknown);
        row("missing section", basic, "Other", "Maxjobs", unknown);
        row("empty value", basic, "General", "Empty", empty);
        row("case of names", basic, "gENERAL", "MAXJOBS", "3");
        row("case of non-ASCII names", "[\xC4\x62\x63]\r\n\xE9\x74\xE9=1\r\n",
            QString::fromUtf8("äBC"), QString::fromUtf8("ÉTÉ"), "1");
        row("Kelvin sign folds to k", "[s]\r\nk=2\r\n", "S", QString(QChar(0x212A)), "2");
        row("first of two sections", "[s]\r\na=1\r\n[S]\r\nb=2\r\n", "s", "b", unknown);
        row("first of two keys", "[s]\r\nK=1\r\nk=2\r\n", "s", "k", "1");
        row("key before any section", "k=1\r\n[s]\r\n", "s", "k", unknown);
        row("blanks trimmed", "  [ General ]  \r\n\t Maxjobs \t=  7.6 \t\r\n", "general", "maxjobs",
            "7.6");
        row("inner blanks kept", "[A]\r\nk= a  b \r\n", "A", "k", "a  b");
        row("quotes removed", "[A]\r\nk=\" x \"\r\n", "A", "k", " x ");
        row("one quote kept", "[A]\r\nk=\"x\r\n", "A", "k", "\"x");
        row("only blanks", "[A]\r\nk=   \r\n", "A", "k", empty);
        row("value with =", "[A]\r\nk=a=b\r\n", "A", "k", "a=b");
        row("first duplicate section", "[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\nj=3\r\n", "A", "j",
            unknown);
        row("LF only", "[A]\nk=v\nj=w\n", "A", "j", "w");
        row("no final line end", "[A]\r\nk=v", "A", "k", "v");
        row("comment is no key", "[A]\r\n;k=1\r\n", "A", ";k", unknown);
        row("line without =", "[A]\r\nk\r\nj=2\r\n", "A", "k", unknown);
        row("key in other section", "[A]\r\n[B]\r\nk=1\r\n", "A", "k", unknown);
        row("Windows-1252", "[A]\r\nk=\xe9\x80\xfc\r\n", "A", "k", QString::fromUtf8("é€ü"));
        row("254 characters", "[A]\r\nk=" + QByteArray(300, 'x') + "\r\n", "A", "k",
            QString(254, QLatin1Char('x')));
    }
    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        if (file != "<none>") QVERIFY(writeFileBytes(path(), file));
        clsIniFile ini;
        ini.IniFileName = path();
        QTEST(QString(ini.GetSetting(section, key)), "expected");
    }

    void writes_data() {
        QTest::addColumn<QByteArray>("before"); // "<none>": no file
        QTest::addColumn<QString>("op");        // "save" or "delete"
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const auto save = [](const char *tag, const QByteArray &before, const QString &section,
                             const QString &key, const QString &value, const QByteArray &after) {
            QTest::newRow(tag) << before << "save" << section << key << value << after;
        };
        const auto drop = [](const char *tag, const QByteArray &before, const QByteArray &after) {
            QTest::newRow(tag) << before << "delete"
                               << "B" << QString() << QString() << after;
        };
        save("creates file", "<none>", "General", "Maxjobs", "5", "[General]\r\nMaxjobs=5\r\n");
        save("replaces in place", "[S]\r\na=1\r\nKEY=2\r\nc=3\r\n", "s", "key", "9",
             "[S]\r\na=1\r\nKEY=9\r\nc=3\r\n");
        save("appends to its section", "[A]\r\nx=1\r\n\r\n[B]\r\nz=0\r\n", "a", "y", "2",
             "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=0\r\n");
        save("new section at end", "[A]\r\nx=1\r\n", "B", "y", " v ",
             "[A]\r\nx=1\r\n[B]\r\ny= v \r\n");
        save("LF file becomes CR LF", "[A]\nx=1\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n");
        save("Windows-1252 out", "<none>", "A", "k", QString::fromUtf8("é€"),
             "[A]\r\nk=\xe9\x80\r\n");
        save("line break in value", "<none>", "A", "k", "a\r\nb", "[A]\r\nk=a  b\r\n");
        drop("delete section", "[A]\r\nx=1\r\n[b]\r\ny=2\r\n;c\r\n[C]\r\nz=3\r\n",
             "[A]\r\nx=1\r\n[C]\r\nz=3\r\n");
        drop("delete absent section", "[A]\nx=1\n", "[A]\nx=1\n");
        drop("delete in missing file", "<none>", QByteArray());
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

    // A batch of calls writes once, at endUpdate(), what the single calls write.
    void batchedCallsMatchSingleCalls_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("delete, save, read back") << QByteArray("[b]\r\nk=1\r\n[A]\r\nx=1\r\n")
                                                 << QByteArray("[b]\r\nk=23\r\n[A]\r\ny=2\r\n");
        QTest::newRow("appends before trailing blank lines")
            << QByteArray("[A]\r\nx=1\r\n\r\n\r\n")
            << QByteArray("[A]\r\nx=1\r\ny=34\r\nz=3\r\n\r\n\r\n[[B]\r\nw=5\r\nv=5\r\n");
    }
    void batchedCallsMatchSingleCalls() {
        QFETCH(QByteArray, start);
        QByteArray beforeEnd;
        auto run = [&](bool batch) -> QByteArray {
            writeFileBytes(path(), start);
            clsIniFile ini;
            ini.IniFileName = path();
            if (batch) ini.beginUpdate();
            if (QTest::currentDataTag() == QByteArray("delete, save, read back")) {
                ini.DeleteSection("A");
                ini.SaveSetting("A", "y", "2");
                ini.SaveSetting("B", "k", ini.GetSetting("a", "y") + "3");
            } else {
                ini.SaveSetting("A", "y", "2");
                ini.SaveSetting("a", "z", "3");
                ini.SaveSetting("A", "Y", ini.GetSetting("A", "z") + "4");
                ini.SaveSetting("[B", "w", "5");
                ini.SaveSetting("[b", "v", ini.GetSetting("[B", "W"));
            }
            if (batch) {
                beforeEnd = readFileBytes(path());
                ini.endUpdate();
            }
            return readFileBytes(path());
        };
        QTEST(run(false), "after");
        QTEST(run(true), "after");
        QCOMPARE(beforeEnd, start); // nothing written before endUpdate()
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
