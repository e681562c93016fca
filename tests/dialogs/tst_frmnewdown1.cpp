// The new-job dialog driven through its widgets, offscreen: pre-fill, the
// editing rules, OK in each mode and the records it stores.
#include "NewJobDialogEnv.h"
#include "common/JobFields.h"

#include <QtTest>

class TestFrmNewDown1 : public QObject {
    Q_OBJECT
private slots:
    void layoutPerMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("subTabs");
        QTest::addColumn<QString>("page");
        QTest::newRow("0 as 1") << 0 << QStringList{" Gerenal "} << "picGernal";
        QTest::newRow("search") << 2 << QStringList{" Search Setting ", " Save Option "}
                                << "picSearch";
        QTest::newRow("batch") << 3 << QStringList{" Generate Url ", " Save Option "} << "picUrl";
        QTest::newRow("links") << 4 << QStringList{" Select Url ", " Save Option "} << "picSelect";
    }

    void layoutPerMode() {
        QFETCH(int, mode);
        QFETCH(QStringList, subTabs);
        QFETCH(QString, page);
        NewJobDialogEnv env;
        env.hooks.addNewSearch = [](const NewSearchValues &) {};
        frmNewDown1 &d = env.open(mode);
        QCOMPARE(d.windowTitle(), QString("Add New Job"));
        QCOMPARE(d.mode(), qMax(1, mode));
        QStringList main{"Add Single File", "Add Page Search", "Add Batch File"};
        if (mode == 4) main << "Add Page Links Download";
        QCOMPARE(tabTexts(d.TabStrip1), main);
        QCOMPARE(tabTexts(d.Tab2), subTabs);
        QCOMPARE(d.picPages->currentWidget()->objectName(), page);
        // The defaults come from the settings.
        QCOMPARE(d.cmbNum1->currentText(), QString("3"));
        QCOMPARE(d.cmbUserAgent1->currentText(), QString("MQ agent"));
        QCOMPARE(d.cmbProxy->itemText(0), QString("Direct Connection"));
        QCOMPARE(d.cmbProxy1->itemText(1), QString("proxy.local:3128"));
        QVERIFY(d.Option2->isChecked() && d.OpSearch1->isChecked());
        // The save option page on the second sub tab.
        if (mode >= 2) {
            d.Tab2->setCurrentIndex(1);
            QCOMPARE(d.picPages->currentWidget(), d.picSave);
        }
        // Another main tab changes the mode.
        d.TabStrip1->setCurrentIndex(2);
        QCOMPARE(d.mode(), 3);
        QCOMPARE(tabTexts(d.Tab2, true), QStringList({"Url", "Save"}));
        // Unset hooks leave their buttons disabled.
        QVERIFY(!d.cmdClass1->isEnabled() && !d.cmdProxy->isEnabled());
    }

    void clipboardPrefill_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mode 1") << "HTTP://h/a.swf" << QString() << 1 << "HTTP://h/a.swf";
        QTest::newRow("mode 3") << "http://h/a*.swf" << QString() << 3 << "http://h/a*.swf";
        QTest::newRow("not a URL") << "ftp://h/a.swf" << QString() << 1 << "";
        QTest::newRow("handed over wins")
            << "http://h/clip" << QString("http://h/given") << 1 << "http://h/given";
    }

    void clipboardPrefill() {
        QFETCH(QString, clipboard);
        QFETCH(QString, preset);
        QFETCH(int, mode);
        QFETCH(QString, expected);
        NewJobDialogEnv env;
        QGuiApplication::clipboard()->setText(clipboard);
        frmNewDown1 &d = env.open(mode, preset);
        QLineEdit *box = mode == 3 ? d.txtBatUrl : d.txtUrl;
        QCOMPARE(box->text(), expected);
        QCOMPARE(d.focusWidget(), box);
    }

    void renameFollowsUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("rename");
        QTest::newRow("query") << "http://h/d/movie.swf?id=5&x=y" << QString("movie.swf");
        QTest::newRow("backslash") << "http://h/d\\clip.swf" << QString("clip.swf");
        QTest::newRow("no slash") << "movie.swf" << QString();
        QTest::newRow("folder") << "http://h/d/" << QString();
        QTest::newRow("blanks kept") << "http://h/my movie.swf" << QString("my movie.swf");
    }

    void renameFollowsUrl() {
        QFETCH(QString, url);
        QFETCH(QString, rename);
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(1);
        QTest::keyClicks(d.txtUrl, url);
        QCOMPARE(d.txtRename->text(), rename);
        QCOMPARE(d.PresetUrl, url);
    }

    void emptyUrl_refusedWithMessage() {
        NewJobDialogEnv env;
        env.hooks.addNewSearch = [](const NewSearchValues &) { QFAIL("no search expected"); };
        frmNewDown1 &d = env.open(1);
        env.ok();
        QCOMPARE(env.messages, QStringList{"please input download url !"});
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(0));
        QVERIFY(d.isVisible());
        QCOMPARE(d.focusWidget(), d.txtUrl);
        d.TabStrip1->setCurrentIndex(1);
        env.ok();
        QCOMPARE(env.messages.last(), QString("please input Search url !"));
        QVERIFY(d.isVisible());
    }

    void addNewJob_storesEveryField_data() {
        QTest::addColumn<bool>("manual");
        QTest::addColumn<int>("proxy");
        QTest::newRow("immediate, direct") << false << 0;
        QTest::newRow("manual, proxy") << true << 1;
    }

    void addNewJob_storesEveryField() {
        QFETCH(bool, manual);
        QFETCH(int, proxy);
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(1);
        QTest::keyClicks(d.txtUrl, "http://h/d/movie.swf?v=2");
        QTest::keyClicks(d.txtRef, "http://h/page.htm");
        d.txtComment->insert(QString::fromUtf8("caf\xC3\xA9")); // keyClicks takes ASCII only
        d.cmbClass1->setCurrentIndex(1);                        // "Short", below "Cartoon"
        d.cmbNum1->setCurrentIndex(6);
        d.cmbProxy1->setCurrentIndex(proxy);
        d.chkLoginServer1->setChecked(true);
        QTest::keyClicks(d.txtUsername1, "ann");
        QTest::keyClicks(d.txtPassword1, "secret");
        (manual ? d.Option3 : d.Option2)->setChecked(true);
        const double before = OleDate::now();
        env.ok();
        QVERIFY(!d.isVisible());
        QVERIFY(d.PresetUrl.isEmpty());
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(1));
        const DownJobRecord &r = env.core.DownJobs[1];
        COMPARE_FIELDS(r, "{'Url': 'http://h/d/movie.swf?v=2', 'Referer': 'http://h/page.htm',"
                          "'FileName': 'movie.swf', 'CategoryKey': '101k101k', 'Parts': 7,"
                          "'Comment': 'caf\xC3\xA9', 'UserAgent': 'MQ agent', 'UseLogin': -1,"
                          "'UserName': 'ann', 'Password': 'secret', 'IsNew': -1, 'FileOpen': 0}");
        COMPARE_FIELDS(r,
                       QString("{'UseProxy': %1, 'ProxyHost': '%2', 'ProxyPort': %3, 'State': %4}")
                           .arg(proxy ? kTrue : kFalse)
                           .arg(proxy ? "proxy.local" : "")
                           .arg(proxy ? 3128 : 0)
                           .arg(manual ? StatePaused : StateWaiting)
                           .toUtf8());
        QCOMPARE(r.SavePath, env.home.file("short/movie.swf"));
        QVERIFY(r.CreateTime >= before && r.CreateTime <= OleDate::now());
        QCOMPARE(env.core.lvNowDown.count(), 1);
        QCOMPARE(env.core.lvNowDown.row(0).key, QString("1NowDown"));
    }

    void enterIsOk_escapeIsCancel() {
        NewJobDialogEnv env;
        frmNewDown1 &d = env.open(1, "http://h/a.swf");
        QTest::keyClick(d.txtUrl, Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(1));
        frmNewDown1 &again = env.open(1, "http://h/b.swf");
        QTest::keyClick(again.txtUrl, Qt::Key_Escape);
        QCOMPARE(again.result(), int(QDialog::Rejected));
        QVERIFY(!again.isVisible());
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(1));
    }

    void tabOrderFollowsLayout() {
        NewJobDialogEnv env;
        env.hooks.newCategory = [] {};
        env.hooks.proxyOptions = [] {};
        frmNewDown1 &d = env.open(1);
        d.chkLoginServer1->setChecked(true);
        QStringList visited;
        for (int i = 0; i < 19 && d.focusWidget(); ++i) {
            visited << d.focusWidget()->objectName();
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited.join(' '),
                 QString("txtUrl txtRef txtRename txtComment cmbClass1 cmdClass1 txtSaveAs1 "
                         "cmdDlg1 cmbNum1 cmbProxy1 cmdProxy1 chkLoginServer1 txtUsername1 "
                         "txtPassword1 cmbUserAgent1 Option2 Option3 cmdNewJobOk cmdCancle"));
    }

    void categoryChoosesFolder_andLoginEnablesBoxes() {
        NewJobDialogEnv env;
        int created = 0;
        env.hooks.newCategory = [&] {
            ++created;
            env.core.tree.addNode("Downloaded", "103k", "New one", "5", "6", "/n/");
        };
        env.hooks.chooseFolder = [](QWidget *, const QString &title, const QString &) {
            return title == "Browsing" ? QString("/picked") : QString();
        };
        frmNewDown1 &d = env.open(3);
        QCOMPARE(d.txtSaveAs->text(), env.home.file("cartoon") + '/');
        d.cmbClass->setCurrentIndex(2);
        QCOMPARE(d.txtSaveAs->text(), env.home.file("music") + '/');
        QVERIFY(d.cmdClass->isEnabled());
        QTest::mouseClick(d.cmdClass, Qt::LeftButton);
        QCOMPARE(created, 1);
        QCOMPARE(d.cmbClass->count(), 4);
        QCOMPARE(d.cmbClass->currentData().toString(), QString("102k")); // kept
        QTest::mouseClick(d.cmdDlg, Qt::LeftButton);
        QCOMPARE(d.txtSaveAs->text(), QString("/picked/"));
        QVERIFY(!d.txtUserName->isEnabled());
        d.chkLoginServer->setChecked(true);
        QVERIFY(d.txtUserName->isEnabled() && d.txtPassWord->isEnabled());
        d.chkLoginServer->setChecked(false);
        QVERIFY(!d.txtPassWord->isEnabled());
    }

    void warningLine_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("words");
        QTest::newRow("fine") << "http://h/new.swf" << false << "";
        QTest::newRow("no host and path") << "www.h.org/a.swf" << false << "cannot split";
        QTest::newRow("existing, renamed") << "http://h/old.swf" << false << "number added";
        QTest::newRow("existing, overwritten") << "http://h/old.swf" << true << "overwritten";
    }

    void warningLine() {
        QFETCH(QString, url);
        QFETCH(bool, overwrite);
        QFETCH(QString, words);
        NewJobDialogEnv env;
        env.core.settings.Fileexits = overwrite;
        QDir().mkpath(env.home.file("cartoon"));
        QVERIFY(writeFileBytes(env.home.file("cartoon/old.swf"), "x"));
        frmNewDown1 &d = env.open(1);
        QTest::keyClicks(d.txtUrl, url);
        QCOMPARE(d.lblUrlWarning->text().isEmpty(), words.isEmpty());
        QVERIFY2(d.lblUrlWarning->text().contains(words), qPrintable(d.lblUrlWarning->text()));
        // The job can still be added.
        env.ok();
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(1));
    }

    void search_handsRequestOver() {
        NewJobDialogEnv env;
        QVector<NewSearchValues> got;
        env.hooks.addNewSearch = [&](const NewSearchValues &r) { got.append(r); };
        frmNewDown1 &d = env.open(2, "http://h/page.htm");
        QCOMPARE(d.txtSearchUrl->text(), QString("http://h/page.htm"));
        d.OpSearch2->setChecked(true);
        QCOMPARE(d.searchDepth(), 1);
        d.Tab2->setCurrentIndex(1);
        d.cmbClass->setCurrentIndex(2);
        d.Option3->setChecked(true);
        env.ok();
        QCOMPARE(got.size(), 1);
        const NewSearchValues &r = got[0];
        QCOMPARE(r.url, QString("http://h/page.htm"));
        QCOMPARE(r.depth, qint16(1));
        QVERIFY(r.manual);
        QVERIFY(!r.useProxy);
        QCOMPARE(r.categoryKey, QString("102k"));
        QCOMPARE(r.saveFolder, env.home.file("music") + '/');
        QCOMPARE(r.parts, qint16(5));
        QCOMPARE(env.core.DownJobs.DownCount(), qint16(0));
        // Without the hook the search tab is off.
        env.hooks.addNewSearch = nullptr;
        QVERIFY(!env.open(1).TabStrip1->isTabEnabled(1));
    }
};

QTEST_MAIN(TestFrmNewDown1)
#include "tst_frmnewdown1.moc"
