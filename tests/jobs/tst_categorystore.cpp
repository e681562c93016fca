#include "jobs/CategoryStore.h"
#include "jobs/ListRowModel.h"

#include <QtTest>

class TestCategoryStore : public QObject {
    Q_OBJECT
private slots:
    void addRefusesDuplicateKeysAndUnknownParents() {
        CategoryStore store;
        QVERIFY(store.addNode({}, "MoorQuill", "MoorQuill", "1", "1"));
        QVERIFY(!store.addNode({}, "MoorQuill", "again", "1", "1"));
        QVERIFY(!store.addNode("nowhere", "x", "x", "5", "6"));
        QVERIFY(store.addNode("MoorQuill", "Downloaded", "Downloaded", "4", "4"));
        QCOMPARE(store.rowCount(store.indexOf("MoorQuill")), 1);
    }
    void preOrderAndMove() {
        CategoryStore store;
        store.addNode({}, "r", "r", "", "");
        store.addNode("r", "a", "a", "", "");
        store.addNode("a", "a1", "a1", "", "");
        store.addNode("r", "b", "b", "", "");
        QStringList keys;
        for (auto *n : store.preOrder())
            keys << n->key;
        QCOMPARE(keys, QStringList({"r", "a", "a1", "b"}));
        QVERIFY(!store.moveNode("a", "a1")); // not below itself
        QVERIFY(store.moveNode("a", "b"));
        QCOMPARE(store.find("a")->parent->key, QString("b"));
        QCOMPARE(store.indexOf("a1").parent(), store.indexOf("a"));
    }
    void rowKeysCarryTheJobIndex_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::newRow("now down") << "5NowDown" << 5;
        QTest::newRow("have down") << "123Key" << 123;
        QTest::newRow("no number") << "Key" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void rowKeysCarryTheJobIndex() {
        QFETCH(QString, key);
        QFETCH(int, index);
        QCOMPARE(ListRowModel::leadingNumber(key), index);
    }
};

QTEST_APPLESS_MAIN(TestCategoryStore)
#include "tst_categorystore.moc"
