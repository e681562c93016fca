// The batch page's rules without a window: typed characters and the
// generated lists, with the bounds a 16-bit counter cannot hold.
#include "dialogs/BatchUrls.h"

#include <QtTest>

class TestBatchUrls : public QObject {
    Q_OBJECT
private slots:
    void numbers_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *tag, const QString &from, const QString &to,
                            const QString &width, const QStringList &urls, const QString &message) {
            QTest::newRow(tag) << from << to << width << urls << message;
        };
        const QStringList none;
        const QString tooLarge = BatchUrls::kNumbersTooLarge, needNumbers = BatchUrls::kNeedNumbers;
        row("width 3, 99..101", "99", "101", "3", {"h/099-099", "h/100-100", "h/101-101"}, {});
        row("narrower than the number", "100", "100", "2", {"h/100-100"}, {});
        row("width 0, 9..10", "9", "10", "0", {"h/9-9", "h/10-10"}, {});
        row("leading zeros typed", "007", "8", "0", {"h/7-7", "h/8-8"}, {});
        row("empty width is 0", "1", "2", "", {"h/1-1", "h/2-2"}, {});
        row("5 to 3 is empty", "5", "3", "1", none, {});
        row("largest bound", "32766", "32766", "1", {"h/32766-32766"}, {});
        row("32767 refused", "1", "32767", "1", none, tooLarge);
        row("huge refused", "99999999999999999999", "1", "1", none, tooLarge);
        row("empty from", "", "3", "1", none, needNumbers);
        row("not digits", "1a", "3", "1", none, needNumbers);
    }

    void numbers() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, width);
        QFETCH(QStringList, urls);
        QFETCH(QString, message);
        const BatchUrls::Result r = BatchUrls::numbers("h/*-*", from, to, width);
        QCOMPARE(r.urls, urls);
        QCOMPARE(r.message, message);
    }

    void letters_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<bool>("refused");
        const auto row = [](const char *tag, const QString &from, const QString &to,
                            const QStringList &urls,
                            bool refused) { QTest::newRow(tag) << from << to << urls << refused; };
        row("x..z", "x", "z", {"x.gif", "y.gif", "z.gif"}, false);
        row("capitals count as lower case", "Y", "Z", {"y.gif", "z.gif"}, false);
        row("z..a is empty", "z", "a", {}, false);
        row("empty from", "", "c", {}, true);
        row("a digit", "a", "1", {}, true);
        row("two letters", "ab", "c", {}, true);
        row("non-ASCII letter", QString(QChar(0xE9)), "z", {}, true);
    }

    void letters() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, urls);
        QFETCH(bool, refused);
        const BatchUrls::Result r = BatchUrls::letters("*.gif", from, to);
        QCOMPARE(r.urls, urls);
        QCOMPARE(r.message.isEmpty(), !refused);
    }

    void typedKeys() {
        QVERIFY(BatchUrls::acceptsDigit('0') && BatchUrls::acceptsDigit('9'));
        QVERIFY(!BatchUrls::acceptsDigit('\b') && !BatchUrls::acceptsDigit('-') &&
                !BatchUrls::acceptsDigit(QChar(0x0663))); // an Arabic-Indic three
        QCOMPARE(BatchUrls::typedWidth("2", '7'), QString("7"));
        QCOMPARE(BatchUrls::typedWidth("2", 'x'), QString("2"));
        QCOMPARE(BatchUrls::typedLetter("a", 'Q'), QString("q"));
        QCOMPARE(BatchUrls::typedLetter("a", '5'), QString("a"));
        QCOMPARE(BatchUrls::typedLetter("a", QChar(0xC9)), QString("a"));
        QVERIFY(!BatchUrls::canGenerate("http://h/a.zip"));
    }
};

QTEST_GUILESS_MAIN(TestBatchUrls)
#include "tst_batchurls.moc"
