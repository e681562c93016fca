// The new-job dialog driven through its widgets, offscreen: pre-fill, the
// editing rules, OK in each mode and the records it stores.
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "core/AppCore.h"
#include "core/OleDate.h"
#include "core/ProxyList.h"
#include "core/clsIniFile.h"
#include "dialogs/frmNewDown1.h"
#include "jobs/CategoryTree.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using namespace NewJobRules;

namespace {
QStringList items(const QListWidget *list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList tabTexts(const QTabBar *bar, bool data = false) {
    QStringList out;
    for (int i = 0; i < bar->count(); ++i)
        out << (data ? bar->tabData(i).toString() : bar->tabText(i));
    return out;
}

// Replaces a box's content by typing, key by key, as a user would.
void retype(QLineEdit *box, const QString &text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// Types a pattern and a number range into the batch page and generates.
void generateNumbers(frmNewDown1 &d, const QString &pattern, const QString &from,
                     const QString &to) {
    QTest::keyClicks(d.txtBatUrl, pattern);
    retype(d.txtN1, from);
    retype(d.txtN2, to);
    QTest::mouseClick(d.cmdCreateUrl, Qt::LeftButton);
}

struct Env {
    TestHome home;
    AppCore core;
    QStringList messages;
    MsgBox::Handler previous;
    std::unique_ptr<frmNewDown1> dialog;
    NewJobHooks hooks;

    Env() {
        core.paths = AppPaths::forFolder(home.path());
        core.paths.DownloadFolder = home.file("mydown") + '/';
        AddFixedNodes(core.tree, core.paths.DownloadFolder);
        core.tree.addNode("Downloaded", "101k", "Cartoon", "5", "6", home.file("cartoon") + '/');
        core.tree.addNode("101k", "101k101k", "Short", "5", "6", home.file("short") + '/');
        core.tree.addNode("Downloaded", "102k", "Music", "5", "6", home.file("music") + '/');
        core.settings.Parts = 3;
        core.settings.Useragent = "MQ agent";
        clsIniFile ini;
        ini.IniFileName = core.paths.SettingsPath;
        writeProxyEntries(ini, {{"proxy.local", "3128"}});
        previous = MsgBox::setHandler([this](QWidget *, const QString &t) { messages << t; });
        QGuiApplication::clipboard()->clear();
    }
    ~Env() {
        dialog.reset();
        MsgBox::setHandler(previous);
    }
    frmNewDown1 &open(int mode, const QString &preset = {}) {
        dialog = std::make_unique<frmNewDown1>(core, mode, hooks);
        dialog->PresetUrl = preset;
        dialog->show();
        return *dialog;
    }
    void ok() { QTest::mouseClick(dialog->cmdNewJobOk, Qt::LeftButton); }
};
} // namespace

class TestFrmNewDown1 : public QObject {
    Q_OBJECT
private slots:
    void layoutPerMode_data();
    void layoutPerMode();
    void clipboardPrefill_data();
    void clipboardPrefill();
    void renameFollowsUrl_data();
    void renameFollowsUrl();
    void emptyUrl_refusedWithMessage();
    void addNewJob_storesEveryField_data();
    void addNewJob_storesEveryField();
    void enterIsOk_escapeIsCancel();
    void tabOrderFollowsLayout();
    void categoryChoosesFolder_andLoginEnablesBoxes();
    void warningLine_data();
    void warningLine();
    void batch_generate_data();
    void batch_generate();
    void batch_typedKeysFollowRules();
    void batch_badBoundsGiveMessage();
    void batch_okAddsEveryEntry();
    void batch_thirtyThousandEntries();
    void links_checkedRowsBecomeJobs();
    void links_hundredThousandRows_fillTheTable();
    void search_handsRequestOver();
};

void TestFrmNewDown1::layoutPerMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("subTabs");
    QTest::addColumn<QString>("page");
    QTest::newRow("0 as 1") << 0 << QStringList{" Gerenal "} << "picGernal";
    QTest::newRow("search") << 2 << QStringList{" Search Setting ", " Save Option "} << "picSearch";
    QTest::newRow("batch") << 3 << QStringList{" Generate Url ", " Save Option "} << "picUrl";
    QTest::newRow("links") << 4 << QStringList{" Select Url ", " Save Option "} << "picSelect";
}

void TestFrmNewDown1::layoutPerMode() {
    QFETCH(int, mode);
    QFETCH(QStringList, subTabs);
    QFETCH(QString, page);
    Env env;
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

void TestFrmNewDown1::clipboardPrefill_data() {
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

void TestFrmNewDown1::clipboardPrefill() {
    QFETCH(QString, clipboard);
    QFETCH(QString, preset);
    QFETCH(int, mode);
    QFETCH(QString, expected);
    Env env;
    QGuiApplication::clipboard()->setText(clipboard);
    frmNewDown1 &d = env.open(mode, preset);
    QLineEdit *box = mode == 3 ? d.txtBatUrl : d.txtUrl;
    QCOMPARE(box->text(), expected);
    QCOMPARE(d.focusWidget(), box);
}

void TestFrmNewDown1::renameFollowsUrl_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("rename");
    QTest::newRow("query") << "http://h/d/movie.swf?id=5&x=y" << QString("movie.swf");
    QTest::newRow("backslash") << "http://h/d\\clip.swf" << QString("clip.swf");
    QTest::newRow("no slash") << "movie.swf" << QString();
    QTest::newRow("folder") << "http://h/d/" << QString();
    QTest::newRow("blanks kept") << "http://h/my movie.swf" << QString("my movie.swf");
}

void TestFrmNewDown1::renameFollowsUrl() {
    QFETCH(QString, url);
    QFETCH(QString, rename);
    Env env;
    frmNewDown1 &d = env.open(1);
    QTest::keyClicks(d.txtUrl, url);
    QCOMPARE(d.txtRename->text(), rename);
    QCOMPARE(d.PresetUrl, url);
}

void TestFrmNewDown1::emptyUrl_refusedWithMessage() {
    Env env;
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

void TestFrmNewDown1::addNewJob_storesEveryField_data() {
    QTest::addColumn<bool>("manual");
    QTest::addColumn<int>("proxy");
    QTest::newRow("immediate, direct") << false << 0;
    QTest::newRow("manual, proxy") << true << 1;
}

void TestFrmNewDown1::addNewJob_storesEveryField() {
    QFETCH(bool, manual);
    QFETCH(int, proxy);
    Env env;
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
    QCOMPARE(r.Url, QString("http://h/d/movie.swf?v=2"));
    QCOMPARE(r.Referer, QString("http://h/page.htm"));
    QCOMPARE(r.FileName, QString("movie.swf"));
    QCOMPARE(r.SavePath, env.home.file("short/movie.swf"));
    QCOMPARE(r.CategoryKey, QString("101k101k"));
    QCOMPARE(r.Parts, qint16(7));
    QCOMPARE(r.Comment, QString::fromUtf8("caf\xC3\xA9"));
    QCOMPARE(r.UserAgent, QString("MQ agent"));
    QCOMPARE(r.UseProxy, qint16(proxy ? kTrue : kFalse));
    QCOMPARE(r.ProxyHost, QString(proxy ? "proxy.local" : ""));
    QCOMPARE(r.proxyPortNumber(), quint16(proxy ? 3128 : 0));
    QCOMPARE(r.UseLogin, qint16(kTrue));
    QCOMPARE(r.UserName, QString("ann"));
    QCOMPARE(r.Password, QString("secret"));
    QCOMPARE(r.State, qint32(manual ? StatePaused : StateWaiting));
    QCOMPARE(r.IsNew, qint16(kTrue));
    QCOMPARE(r.FileOpen, qint16(kFalse));
    QVERIFY(r.CreateTime >= before && r.CreateTime <= OleDate::now());
    QCOMPARE(env.core.lvNowDown.count(), 1);
    QCOMPARE(env.core.lvNowDown.row(0).key, QString("1NowDown"));
}

void TestFrmNewDown1::enterIsOk_escapeIsCancel() {
    Env env;
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

void TestFrmNewDown1::tabOrderFollowsLayout() {
    Env env;
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

void TestFrmNewDown1::categoryChoosesFolder_andLoginEnablesBoxes() {
    Env env;
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

void TestFrmNewDown1::warningLine_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QString>("words");
    QTest::newRow("fine") << "http://h/new.swf" << false << "";
    QTest::newRow("no host and path") << "www.h.org/a.swf" << false << "cannot split";
    QTest::newRow("existing, renamed") << "http://h/old.swf" << false << "number added";
    QTest::newRow("existing, overwritten") << "http://h/old.swf" << true << "overwritten";
}

void TestFrmNewDown1::warningLine() {
    QFETCH(QString, url);
    QFETCH(bool, overwrite);
    QFETCH(QString, words);
    Env env;
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

// The number and letter rules themselves are in tst_batchurls; here the
// page's boxes and option buttons reach them.
void TestFrmNewDown1::batch_generate_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("digits");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QStringList>("urls");
    const auto row = [](const char *tag, const QString &pattern, bool digits, const QString &from,
                        const QString &to, const QString &width, const QStringList &urls) {
        QTest::newRow(tag) << pattern << digits << from << to << width << urls;
    };
    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QStringLiteral("http://h/a%1.zip").arg(i, 2, 10, QLatin1Char('0'));
    row("01..12", "http://h/a*.zip", true, "1", "12", "2", twelve);
    row("a..e", "http://h/*.gif", false, "a", "e", "",
        {"http://h/a.gif", "http://h/b.gif", "http://h/c.gif", "http://h/d.gif", "http://h/e.gif"});
    row("capitals typed", "h/*", false, "B", "C", "", {"h/b", "h/c"});
    row("two stars", "http://h/*/f*.swf", true, "7", "8", "3",
        {"http://h/007/f007.swf", "http://h/008/f008.swf"});
}

void TestFrmNewDown1::batch_generate() {
    QFETCH(QString, pattern);
    QFETCH(bool, digits);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, width);
    QFETCH(QStringList, urls);
    Env env;
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

void TestFrmNewDown1::batch_typedKeysFollowRules() {
    Env env;
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

void TestFrmNewDown1::batch_badBoundsGiveMessage() {
    Env env;
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

void TestFrmNewDown1::batch_okAddsEveryEntry() {
    Env env;
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

void TestFrmNewDown1::batch_thirtyThousandEntries() {
    Env env;
    frmNewDown1 &d = env.open(3);
    QElapsedTimer clock;
    clock.start();
    generateNumbers(d, "http://h/f*.swf?v=*", "0", "29999");
    QCOMPARE(d.List1->count(), 30000);
    QCOMPARE(d.List1->item(29999)->text(), QString("http://h/f29999.swf?v=29999"));
    const qint64 generated = clock.restart();
    env.ok();
    QCOMPARE(env.core.DownJobs.DownCount(), qint16(30000));
    QCOMPARE(env.core.lvNowDown.count(), 30000);
    const qint64 added = clock.elapsed();
    qInfo("30000 entries: generated in %lld ms, added in %lld ms", generated, added);
    QVERIFY(generated < 10000 && added < 30000); // quadratic work would take minutes
    // The refusal once the table is full is checked with the page links below.
}

void TestFrmNewDown1::links_checkedRowsBecomeJobs() {
    Env env;
    frmNewDown1 &d = env.open(4);
    d.setLinks({{"http://h/a.swf", "First"}, {"http://h/b.swf", ""}, {"http://h/c.swf", "Third"}},
               2);
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

void TestFrmNewDown1::links_hundredThousandRows_fillTheTable() {
    Env env;
    frmNewDown1 &d = env.open(4);
    QVector<LinkEntry> links;
    for (int i = 0; i < 100000; ++i)
        links.append({QStringLiteral("http://h/f%1.swf").arg(i), {}});
    QElapsedTimer clock;
    clock.start();
    d.setLinks(links);
    const qint64 listed = clock.restart();
    env.ok();
    const qint64 added = clock.elapsed();
    qInfo("100000 links: listed in %lld ms, added in %lld ms", listed, added);
    QVERIFY(listed < 20000 && added < 30000);
    QCOMPARE(env.core.DownJobs.DownCount(), qint16(32767));
    QCOMPARE(env.core.DownJobs[32767].Url, QString("http://h/f32766.swf"));
    QVERIFY2(env.messages.value(0).contains("67233 of 100000"), qPrintable(env.messages.value(0)));
    QVERIFY(!d.isVisible());
}

void TestFrmNewDown1::search_handsRequestOver() {
    Env env;
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

QTEST_MAIN(TestFrmNewDown1)
#include "tst_frmnewdown1.moc"
