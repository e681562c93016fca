// The new-job dialog: its rules (NewJobRules) called directly, then the
// dialog driven through its widgets once per mode, offscreen.
#include "base/OleDate.h"
#include "base/clsIniFile.h"
#include "common/JobFields.h"
#include "common/TestData.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "core/ProxyList.h"
#include "dialogs/NewJobRules.h"
#include "dialogs/frmNewDown1.h"
#include "jobs/CategoryTree.h"
#include "kit/MsgBox.h"
#include "session/AppCore.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QtTest>
#include <memory>

using namespace NewJobRules;

namespace {
// A row of text columns.
template <class... Texts> void row(const char *tag, Texts... texts) {
    (QTest::newRow(tag) << ... << QString(texts));
}

QStringList tabTexts(const QTabBar *bar) {
    QStringList out;
    for (int i = 0; i < bar->count(); ++i)
        out << bar->tabText(i);
    return out;
}

// Three categories, a proxy entry and settings of its own; boxes collected.
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
        previous = MsgBox::setHandler([this](MsgBox::Kind, const QString &t) {
            messages << t;
            return false;
        });
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
    void names_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("rename");
        QTest::addColumn<QString>("fileName");
        row("query", "http://h/d/m.swf?id=5", "m.swf", "m.swf?id=5");
        row("backslash", "http://h/d\\c.swf", "c.swf", "c.swf");
        row("no slash", "movie.swf", "", "");
        row("blanks kept", "http://h/my movie.swf", "my movie.swf", "my movie.swf");
    }
    void names() {
        QFETCH(QString, url);
        QTEST(renameFromUrl(url), "rename");
        QTEST(fileNameFromUrl(url), "fileName");
    }

    // What paste, drop and the clipboard pre-fill take as an address.
    void webUrl_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        row("trimmed", "  http://h/a.swf\n", "http://h/a.swf");
        row("any case, https", "HTTPS://h/a", "HTTPS://h/a");
        row("first line only", "http://h/1\nhttp://h/2", "http://h/1");
        row("ftp refused", "ftp://h/a.swf", "");
        row("words refused", "just words", "");
        row("link on line 2", "see\nhttp://h/a", "");
    }
    void webUrl() {
        QFETCH(QString, text);
        QTEST(webUrlOf(text), "url");
    }

    void urlWarning_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("words");
        QTest::newRow("fine") << "http://h/new.swf" << false << "";
        QTest::newRow("no host and path") << "www.h.org/a.swf" << false << "cannot split";
        QTest::newRow("blanks") << "http://h/a b.swf" << false << "blanks";
        QTest::newRow("existing, renamed") << "http://h/old.swf" << false << "number added";
        QTest::newRow("existing, overwritten") << "http://h/old.swf" << true << "overwritten";
    }
    void urlWarning() {
        QFETCH(QString, url);
        QFETCH(bool, overwrite);
        QFETCH(QString, words);
        TestHome home;
        QVERIFY(writeFileBytes(home.file("old.swf"), "x"));
        const QString text = NewJobRules::urlWarning(url, home.file(renameFromUrl(url)), overwrite);
        QCOMPARE(text.isEmpty(), words.isEmpty());
        QVERIFY2(text.contains(words), qPrintable(text));
    }

    void record_data() {
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<int>("proxy");
        QTest::addColumn<int>("stored");
        QTest::newRow("immediate, direct") << 7 << false << 0 << 7;
        QTest::newRow("manual, proxy") << 3 << true << 1 << 3;
        QTest::newRow("parts clamped low") << 0 << false << 0 << 1;
        QTest::newRow("parts clamped high") << 99 << false << 0 << 10;
    }
    void record() {
        QFETCH(int, parts);
        QFETCH(bool, manual);
        QFETCH(int, proxy);
        JobOptions o;
        o.categoryKey = "101k";
        o.saveFolder = "/c/";
        o.parts = parts;
        o.manual = manual;
        o.proxyIndex = proxy;
        o.proxyText = proxy ? "proxy.local:3128" : kDirectConnection;
        o.userAgent = "MQ agent";
        o.login = true;
        o.userName = "ann";
        o.password = "secret";
        o.referer = "http://h/page.htm";
        o.comment = QString::fromUtf8("caf\xC3\xA9");
        o.cookies = "sid=1";
        const DownJobRecord r = newJobRecord(o, "http://h/m.swf?v=2", "m.swf", 45000.5);
        COMPARE_FIELDS(r, "{'Url': 'http://h/m.swf?v=2', 'Referer': 'http://h/page.htm',"
                          "'FileName': 'm.swf', 'SavePath': '/c/m.swf', 'CategoryKey': '101k',"
                          "'Comment': 'caf\xC3\xA9', 'UserAgent': 'MQ agent', 'UseLogin': -1,"
                          "'UserName': 'ann', 'Password': 'secret', 'IsNew': -1, 'FileOpen': 0}");
        QCOMPARE(r.Cookies, QString("sid=1"));
        QTEST(int(r.Parts), "stored");
        QCOMPARE(int(r.State), manual ? StatePaused : StateWaiting);
        QCOMPARE(r.ProxyHost, proxy ? QString("proxy.local") : QString());
        QCOMPARE(int(r.ProxyPort), proxy ? 3128 : 0);
        QCOMPARE(r.CreateTime, 45000.5);
    }

    // Batch and link jobs are named after their URL, query included; links
    // beyond the table's last job are refused, and the user told how many.
    void addingManyJobs() {
        Env env;
        JobOptions o;
        o.categoryKey = "102k";
        o.saveFolder = env.home.file("music/");
        Added a = AddBatFile(env.core, o, {"http://h/d\\c1.swf?s=1", "http://h/c3.swf"});
        QCOMPARE(a.jobs, (QVector<int>{1, 2}));
        QCOMPARE(env.core.DownJobs[1].SavePath, env.home.file("music/c1.swf?s=1"));
        QCOMPARE(env.core.lvNowDown.count(), 2);
        a = AddLinkJobs(env.core, o, {{"http://h/a.swf", "First"}});
        QCOMPARE(env.core.DownJobs[3].Comment, QString("First"));
        while (env.core.DownJobs.DownCount() < 32764)
            env.core.DownJobs.add(testJob("101k", StateComplete, "http://h/old.swf"));
        QVector<LinkEntry> links;
        for (int i = 0; i < 5; ++i)
            links.append({QStringLiteral("http://h/f%1.swf").arg(i), {}});
        a = AddLinkJobs(env.core, o, links);
        QCOMPARE(a.jobs.size(), 3);
        QCOMPARE(env.core.DownJobs[32767].Url, QString("http://h/f2.swf"));
        QVERIFY2(a.message.contains("2 of 5"), qPrintable(a.message));
    }

    void searchRequest() {
        JobOptions o;
        o.categoryKey = "102k";
        o.saveFolder = "/music/";
        o.manual = true;
        o.proxyIndex = 1;
        o.proxyText = "proxy.local:3128";
        NewSearchValues v;
        QString message;
        QVERIFY(newSearchRequest(o, "http://h/page.htm", 1, &v, &message));
        QVERIFY(v.url == "http://h/page.htm" && v.depth == 1 && v.manual && v.useProxy);
        QVERIFY(v.proxyPort == 3128 && v.saveFolder == "/music/" && v.parts == 5);
        o.proxyText = "proxy.local:http";
        QVERIFY(!newSearchRequest(o, "http://h/page.htm", 1, &v, &message));
        QVERIFY(!message.isEmpty());
    }

    // The categories with their folders; a chosen folder ends in "/".
    void categoriesInTreeOrder() {
        Env env;
        QStringList got;
        for (const CategoryChoice &c : categoryChoices(env.core.tree))
            got << c.key + ':' + QString::number(c.depth) + ':' + c.folder.section('/', -2, -2);
        QCOMPARE(got, QStringList({"101k:0:cartoon", "101k101k:1:short", "102k:0:music"}));
        QCOMPARE(folderWithSeparator("/picked"), QString("/picked/"));
    }

    // The dialog: its pages per mode and the defaults it takes from the settings.
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
        QFETCH(QString, page);
        Env env;
        env.hooks.addNewSearch = [](const NewSearchValues &) {};
        frmNewDown1 &d = env.open(mode);
        QCOMPARE(d.mode(), qMax(1, mode));
        QStringList main{"Add Single File", "Add Page Search", "Add Batch File"};
        if (mode == 4) main << "Add Page Links Download";
        QCOMPARE(tabTexts(d.TabStrip1), main);
        QTEST(tabTexts(d.Tab2), "subTabs");
        QCOMPARE(d.picPages->currentWidget()->objectName(), page);
        QCOMPARE(d.cmbNum1->currentText(), QString("3"));
        QCOMPARE(d.cmbUserAgent1->currentText(), QString("MQ agent"));
        QCOMPARE(d.cmbProxy1->itemText(1), QString("proxy.local:3128"));
        QVERIFY(d.Option2->isChecked() && d.OpSearch1->isChecked());
        d.TabStrip1->setCurrentIndex(2);
        QCOMPARE(d.mode(), 3);
        QVERIFY(!d.cmdClass1->isEnabled() && !d.cmdProxy->isEnabled()); // hooks unset
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
        Env env;
        QGuiApplication::clipboard()->setText(clipboard);
        frmNewDown1 &d = env.open(mode, preset);
        QLineEdit *box = mode == 3 ? d.txtBatUrl : d.txtUrl;
        QTEST(box->text(), "expected");
        QCOMPARE(d.focusWidget(), box);
    }

    // Mode 1: typed values reach the stored job; an empty URL is refused.
    void singleJob() {
        Env env;
        frmNewDown1 &d = env.open(1);
        env.ok();
        QCOMPARE(env.messages, QStringList{kNeedDownloadUrl});
        QVERIFY(d.isVisible());
        QTest::keyClicks(d.txtUrl, "http://h/d/movie.swf?v=2");
        QCOMPARE(d.txtRename->text(), QString("movie.swf"));
        QTest::keyClicks(d.txtRef, "http://h/page.htm");
        d.cmbClass1->setCurrentIndex(1); // "Short", below "Cartoon"
        d.cmbNum1->setCurrentIndex(6);
        d.cmbProxy1->setCurrentIndex(1);
        d.chkLoginServer1->setChecked(true);
        QTest::keyClicks(d.txtUsername1, "ann");
        d.Option3->setChecked(true);
        env.ok();
        QVERIFY(!d.isVisible());
        COMPARE_FIELDS(env.core.DownJobs[1],
                       "{'Url': 'http://h/d/movie.swf?v=2', 'Referer': 'http://h/page.htm',"
                       "'CategoryKey': '101k101k', 'Parts': 7, 'UseLogin': -1,"
                       "'UserName': 'ann', 'ProxyPort': 3128, 'State': 2}");
        QCOMPARE(env.core.DownJobs[1].SavePath, env.home.file("short/movie.swf"));
        QCOMPARE(env.core.lvNowDown.count(), 1);
    }

    // Mode 2 hands a search request over; without the hook its tab is off.
    void searchHandedOver() {
        Env env;
        QVector<NewSearchValues> got;
        env.hooks.addNewSearch = [&](const NewSearchValues &r) { got.append(r); };
        env.open(2, "http://h/page.htm");
        env.ok();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].url, QString("http://h/page.htm"));
        env.hooks.addNewSearch = nullptr;
        QVERIFY(!env.open(1).TabStrip1->isTabEnabled(1));
    }
};

QTEST_MAIN(TestFrmNewDown1)
#include "tst_frmnewdown1.moc"
