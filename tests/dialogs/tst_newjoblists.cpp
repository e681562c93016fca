// The new-job dialog's URL lists, offscreen: the batch page's generated
// addresses and the page links, their editing and the jobs they become.
#include "NewJobDialogEnv.h"
#include "common/TestData.h"

#include <QtTest>

class TestNewJobLists : public QObject {
    Q_OBJECT
private slots:
    // The number and letter rules themselves are in tst_batchurls; here the
    // page's boxes and option buttons reach them.
    void batch_generate_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("digits");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QStringList>("urls");
        const auto row = [](const char *tag, const QString &pattern, bool digits,
                            const QString &from, const QString &to, const QString &width,
                            const QStringList &urls) {
            QTest::newRow(tag) << pattern << digits << from << to << width << urls;
        };
        QStringList twelve;
        for (int i = 1; i <= 12; ++i)
            twelve << QStringLiteral("http://h/a%1.zip").arg(i, 2, 10, QLatin1Char('0'));
        row("01..12", "http://h/a*.zip", true, "1", "12", "2", twelve);
        row("a..e", "http://h/*.gif", false, "a", "e", "",
            {"http://h/a.gif", "http://h/b.gif", "http://h/c.gif", "http://h/d.gif",
             "http://h/e.gif"});
        row("capitals typed", "h/*", false, "B", "C", "", {"h/b", "h/c"});
        row("two stars", "http://h/*/f*.swf", true, "7", "8", "3",
            {"http://h/007/f007.swf", "http://h/008/f008.swf"});
    }

    void batch_generate() {
        QFETCH(QString, pattern);
        QFETCH(bool, digits);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, width);
        QFETCH(QStringList, urls);
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(3);
        QTest::keyClicks(d.txtBatUrl, pattern);
        (digits ? d.OpNumber : d.OpAlp)->setChecked(true);
        retype(digits ? d.txtN1 : d.txtA1, from);
        retype(digits ? d.txtN2 : d.txtA2, to);
        if (digits) QTest::keyClicks(d.txtN3, width);
        QVERIFY(!d.txtA1->isEnabled() == digits && d.txtN1->isEnabled() == digits);
        QVERIFY(d.cmdCreateUrl->isEnabled());
        QTest::mouseClick(d.cmdCreateUrl, Qt::LeftButton);
        QCOMPARE(items(d.List1), urls);
        QVERIFY(env.messages.isEmpty());
        QVERIFY(d.cmdListDelAll->isEnabled());
    }

    void batch_typedKeysFollowRules() {
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(3);
        QVERIFY(!d.cmdCreateUrl->isEnabled());
        QTest::keyClicks(d.txtBatUrl, "http://h/a.zip");
        QVERIFY(!d.cmdCreateUrl->isEnabled()); // no "*"
        d.txtN1->clear();
        QTest::keyClicks(d.txtN1, "1x2-3 ");
        QTest::keyClick(d.txtN1, Qt::Key_Backspace); // ignored, as every other key
        QCOMPARE(d.txtN1->text(), QString("123"));
        QTest::keyClicks(d.txtN3, "47");
        QCOMPARE(d.txtN3->text(), QString("7")); // one digit: the last one typed
        d.OpAlp->setChecked(true);
        QTest::keyClicks(d.txtA1, "Q");
        QCOMPARE(d.txtA1->text(), QString("q"));
        QTest::keyClicks(d.txtA1, "5!");
        QCOMPARE(d.txtA1->text(), QString("q"));
        d.txtA2->selectAll();
        d.txtA2->insert("K"); // pasted text follows the same rule
        QCOMPARE(d.txtA2->text(), QString("k"));
        QTest::keyClicks(d.txtBatUrl, "*");
        QTest::mouseClick(d.cmdCreateUrl, Qt::LeftButton);
        QCOMPARE(d.List1->count(), 0); // q is later than k
        QVERIFY(env.messages.isEmpty());
    }

    void batch_badBoundsGiveMessage() {
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(3);
        generateNumbers(d, "h/*", "1", "40000");
        QCOMPARE(d.List1->count(), 0);
        QVERIFY2(env.messages.value(0).contains("32766"), qPrintable(env.messages.value(0)));
        d.txtN2->clear();
        QTest::mouseClick(d.cmdCreateUrl, Qt::LeftButton);
        QCOMPARE(env.messages.value(1), QString("Please input a number in both From: and To: !"));
        d.OpAlp->setChecked(true);
        d.txtA1->clear();
        QTest::mouseClick(d.cmdCreateUrl, Qt::LeftButton);
        QCOMPARE(env.messages.value(2), QString("Please input a letter in both From: and To: !"));
    }

    void batch_okAddsEveryEntry() {
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(3);
        generateNumbers(d, "http://h/d\\c*.swf?s=1", "1", "3");
        // Delete the selected second entry.
        QListWidget *list = d.List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        QVERIFY(d.cmdListDel->isEnabled());
        QTest::mouseClick(d.cmdListDel, Qt::LeftButton);
        QCOMPARE(items(list), QStringList({"http://h/d\\c1.swf?s=1", "http://h/d\\c3.swf?s=1"}));
        QVERIFY(!d.cmdListDel->isEnabled());
        d.Tab2->setCurrentIndex(1);
        d.cmbClass->setCurrentIndex(2);
        d.cmbProxy->setCurrentIndex(1);
        d.Option3->setChecked(true);
        env.ok();
        QVERIFY(!d.isVisible());
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(2));
        for (int i = 1; i <= 2; ++i) {
            const DownJobRecord &r = env.core.DownJobs[i];
            const QString name = QStringLiteral("c%1.swf?s=1").arg(i == 1 ? 1 : 3);
            QCOMPARE(r.FileName, name); // the query stays in the name
            QCOMPARE(r.SavePath, env.home.file("music/") + name);
            QCOMPARE(r.CategoryKey, QString("102k"));
            QCOMPARE(r.Parts, qint16(5));
            QCOMPARE(r.State, qint32(StatePaused));
            QCOMPARE(r.UseProxy, qint16(kTrue));
            QCOMPARE(r.ProxyHost, QString("proxy.local"));
        }
        // An empty list adds nothing and closes.
        frmNewDown1 &empty = env.open(3);
        env.ok();
        QVERIFY(!empty.isVisible());
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(2));
    }

    void links_checkedRowsBecomeJobs() {
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(4);
        d.setLinks(
            {{"http://h/a.swf", "First"}, {"http://h/b.swf", ""}, {"http://h/c.swf", "Third"}}, 2);
        d.selectCategory("102k");
        QCOMPARE(d.ListView1->topLevelItemCount(), 3);
        QVERIFY(d.lblSelectNote->text().contains("2 lines were skipped"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(d.ListView1->topLevelItem(i)->checkState(0), Qt::Checked);
        d.ListView1->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        d.Tab2->setCurrentIndex(1);
        QCOMPARE(d.cmbClass->currentData().toString(), QString("102k"));
        env.ok();
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(2));
        QCOMPARE(env.core.DownJobs[1].Url, QString("http://h/a.swf"));
        QCOMPARE(env.core.DownJobs[1].Comment, QString("First"));
        QCOMPARE(env.core.DownJobs[2].SavePath, env.home.file("music/c.swf"));
        QCOMPARE(env.core.DownJobs[2].CategoryKey, QString("102k"));
        // No row checked: nothing added, the dialog closes.
        frmNewDown1 &none = env.open(4);
        none.setLinks({{"http://h/x.swf", ""}});
        none.ListView1->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        env.ok();
        QVERIFY(!none.isVisible());
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(2));
    }

    // Links beyond the table's last job are refused, and the user told how many.
    void links_fillTheTable() {
        NewJobDialogEnv env;
        for (int i = 1; i <= 32764; ++i)
            env.core.DownJobs.add(testJob("101k", StateComplete, "http://h/old.swf"));
        frmNewDown1 &d = env.open(4);
        QVector<LinkEntry> links;
        for (int i = 0; i < 5; ++i)
            links.append({QStringLiteral("http://h/f%1.swf").arg(i), {}});
        d.setLinks(links);
        env.ok();
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(32767));
        QCOMPARE(env.core.DownJobs[32767].Url, QString("http://h/f2.swf"));
        QVERIFY2(env.messages.value(0).contains("2 of 5"), qPrintable(env.messages.value(0)));
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(TestNewJobLists)
#include "tst_newjoblists.moc"
