// The registry store addressed by one path text, and the browser menu
// records written into it at every start.
#include "browser/BrowserMenuRegistration.h"
#include "common/TestFiles.h"
#include "platform/RegistryStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kDownKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Using Moorquill to "
    "download";
const QString kSearchKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Using Moorquill to "
    "search";
} // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT
private slots:
    void keyPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("subKey");
        const auto good = [](const char *tag, const QString &path, const QString &root,
                             const QString &subKey) {
            QTest::newRow(tag) << path << true << root << subKey;
        };
        const auto bad = [](const char *tag, const QString &path) {
            QTest::newRow(tag) << path << false << QString() << QString();
        };
        good("root and sub-key", "HKEY_CURRENT_USER\\Software\\A b", "HKEY_CURRENT_USER",
             "Software\\A b");
        good("root alone", "HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE", "");
        for (const char *root : {"HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_PERFORMANCE_DATA",
                                 "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"})
            good(root, QString(root) + "\\x", root, "x");
        bad("trailing backslash", "HKEY_CURRENT_USER\\Software\\");
        bad("root with trailing backslash", "HKEY_USERS\\");
        bad("no HKEY_", "Software\\x");
        bad("HKEY_ in lower case", "hkey_current_user\\x");
        bad("unknown root", "HKEY_NOWHERE\\x");
        bad("empty", "");
    }

    void keyPaths() {
        QFETCH(QString, path);
        const auto key = RegistryStore::parseKeyPath(path);
        QTEST(bool(key), "valid");
        if (!key) return;
        QTEST(key->root, "root");
        QTEST(key->subKey, "subKey");
    }

    void malformedPath_showsIncorrectFormatAndWritesNothing_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("shown");
        QTest::newRow("trailing backslash") << "HKEY_CURRENT_USER\\Software\\" << true;
        QTest::newRow("no HKEY_") << "CURRENT_USER\\Software" << true;
        QTest::newRow("unknown root: quietly nothing") << "HKEY_ELSEWHERE\\Software" << false;
    }

    void malformedPath_showsIncorrectFormatAndWritesNothing() {
        QFETCH(QString, path);
        QFETCH(bool, shown);
        QFile::remove(storePath());
        RegistryStore store(storePath());
        QStringList messages;
        store.showMessage = [&](const QString &text) { messages << text; };
        QVERIFY(!store.createKey(path));
        QVERIFY(!store.setString(path, "", "x"));
        QVERIFY(!store.setNumber(path, "n", 1));
        QVERIFY(!QFile::exists(storePath()));
        if (shown)
            QCOMPARE(messages, QStringList(3, "Incorrect Format:\n\n" + path));
        else
            QVERIFY(messages.isEmpty());
    }

    void createKeyAndValues() {
        QFile::remove(storePath());
        RegistryStore store(storePath());
        const QString key = "HKEY_CURRENT_USER\\Software\\One\\Two\\Three";
        // A value needs its key.
        QString error;
        QVERIFY(!store.setString(key, "", "x", &error));
        QVERIFY(error.contains("no such key"));
        QVERIFY(store.createKey(key));
        for (const QString &level :
             QStringList{"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\Software",
                         "HKEY_CURRENT_USER\\Software\\One",
                         "HKEY_CURRENT_USER\\Software\\One\\Two", key.toUpper()})
            QVERIFY2(store.keyExists(level), qPrintable(level));
        QVERIFY(!store.keyExists("HKEY_CURRENT_USER\\Software\\Other"));
        QVERIFY(store.setString(key, "", "default text"));
        QVERIFY(store.setString(key, "Name", "first"));
        QVERIFY(store.setString(key, "NAME", "second")); // names compare without case
        QVERIFY(store.setNumber(key, "Count", -34));
        QVERIFY(store.setNumber(key, "Max", 2147483647));
        QVERIFY(store.createKey(key)); // existing: values kept
        const RegistryStore again(storePath());
        QCOMPARE(again.readString(key, ""), QString("default text"));
        QCOMPARE(again.readString(key, "name"), QString("second"));
        QCOMPARE(again.readNumber(key, "count"), std::optional<qint32>(-34));
        QCOMPARE(again.readNumber(key, "Max"), std::optional<qint32>(2147483647));
        QCOMPARE(again.readNumber(key, "Name"), std::optional<qint32>()); // a string, not a number
        QCOMPARE(again.readNumber(key, "none"), std::optional<qint32>());
    }

    void oldCallersReadAndWriteTheSameStore() {
        QFile::remove(storePath());
        RegistryStore store(storePath());
        QVERIFY(store.writeString("HKEY_LOCAL_MACHINE", "SYSTEM\\Tcpip\\Parameters", "NameServer",
                                  "10.0.0.1"));
        const QString path = "HKEY_LOCAL_MACHINE\\SYSTEM\\Tcpip\\Parameters";
        QCOMPARE(store.readString(path, "nameserver"), QString("10.0.0.1"));
        QVERIFY(store.setString(path, "Domain", "example.org"));
        QCOMPARE(store.readString("HKEY_LOCAL_MACHINE", "system\\tcpip\\parameters", "Domain"),
                 QString("example.org"));
        QCOMPARE(store.readString("HKEY_LOCAL_MACHINE", "SYSTEM\\Tcpip\\Parameters", "NameServer"),
                 QString("10.0.0.1"));
    }

    void browserMenu_recordsBothEntries_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("downScript");
        QTest::addColumn<QString>("searchScript");
        const auto row = [](const char *tag, const QString &folder, char separator,
                            const QString &prefix) {
            QTest::newRow(tag) << folder << QChar(separator) << prefix + "mq_url.htm"
                               << prefix + "mq_search.htm";
        };
        row("folder", "C:\\Program Files\\MoorQuill", '\\', "C:\\Program Files\\MoorQuill\\");
        row("drive root doubles the backslash", "C:\\", '\\', "C:\\\\");
        row("executable's folder", "/opt/moorquill/bin", '/', "/opt/moorquill/bin/");
        row("file system root", "/", '/', "//");
    }

    void browserMenu_recordsBothEntries() {
        QFETCH(QString, folder);
        QFETCH(QChar, separator);
        QFile::remove(storePath());
        RegistryStore store(storePath());
        QCOMPARE(BrowserMenuRegistration::registerEntries(store, folder, separator), 2);
        QTEST(store.readString(kDownKey, ""), "downScript");
        QTEST(store.readString(kSearchKey, ""), "searchScript");
        QCOMPARE(store.readNumber(kDownKey, "Contexts"), std::optional<qint32>(34));
        QCOMPARE(store.readNumber(kSearchKey, "Contexts"), std::optional<qint32>(243));
    }

    void browserMenu_reRegistrationRestoresDeletedEntries() {
        QFile::remove(storePath());
        RegistryStore store(storePath());
        QVERIFY(store.writeString("HKEY_LOCAL_MACHINE", "Keep", "v", "kept"));
        BrowserMenuRegistration::registerEntries(store, "/a", '/');
        // The user deletes one entry's key and changes the other's values.
        QVERIFY(writeFileBytes(storePath(),
                               readFileBytes(storePath())
                                   .replace("using moorquill to download", "deleted by the user")));
        QVERIFY(store.setNumber(kSearchKey, "Contexts", 1));
        QVERIFY(!store.keyExists(kDownKey));

        QCOMPARE(BrowserMenuRegistration::registerEntries(store, "/a", '/'), 2);
        QCOMPARE(store.readString(kDownKey, ""), QString("/a/mq_url.htm"));
        QCOMPARE(store.readNumber(kDownKey, "Contexts"), std::optional<qint32>(34));
        QCOMPARE(store.readNumber(kSearchKey, "Contexts"), std::optional<qint32>(243));
        QCOMPARE(store.readString("HKEY_LOCAL_MACHINE", "Keep", "v"), QString("kept"));
        // A store that cannot be written is passed over quietly.
        RegistryStore unwritable(m_dir.filePath("no/such/folder/registry.json"));
        QCOMPARE(BrowserMenuRegistration::registerEntries(unwritable, "/a", '/'), 0);
    }

private:
    QTemporaryDir m_dir;
    QString storePath() const { return m_dir.filePath("registry.json"); }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registrystore.moc"
