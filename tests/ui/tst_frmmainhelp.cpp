// The Help menu of the main window: the update check dialog with its
// "DownLoad Now!" hand-over, and the tell-a-friend dialog driving a real
// dialogue against the local DNS and SMTP test servers.
#include "MainWindowFixture.h"
#include "common/DnsResponder.h"
#include "common/FaultHttpServer.h"
#include "common/SmtpSink.h"
#include "dialogs/frmNewDown1.h"
#include "kit/MsgBox.h"
#include "mail/DnsMessage.h"
#include "mail/SmtpDialogue.h"
#include "mail/frmTellFriend.h"
#include "mail/modMXQuery.h"
#include "ui/MainMenus.h"
#include "ui/frmMain.h"
#include "ui/frmMainAdd.h"
#include "update/frmCheckNew.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
struct Env : MainWindowFixture {
    Env() : MainWindowFixture(false) { create(); }
    QAction *action(const char *name) { return w->menus()->action(QLatin1String(name)); }
};
} // namespace

class TestFrmMainHelp : public QObject {
    Q_OBJECT
private slots:
    void helpEntries_openTheirDialogs() {
        Env env;
        for (const char *name : {"mnuHelp1", "mnuHelp_HomePage", "mnuHelp_New", "mnuTellFriend",
                                 "popMain_Tell", "mnuHelp_About"})
            QVERIFY2(env.action(name)->isEnabled(), name);
        env.action("popMain_Tell")->trigger();
        auto *tell = env.w->findChild<frmTellFriend *>(QStringLiteral("frmTellFriend"));
        QVERIFY(tell);
        QCOMPARE(tell->windowTitle(), QStringLiteral("Tell Friend Good Software"));
        QCOMPARE(tell->txtFrom->text(), QStringLiteral("Input your email address"));
        QCOMPARE(tell->txtTo->text(), QStringLiteral("Input your friend email address"));
        QCOMPARE(tell->txtSubject->text(), QStringLiteral("Hi, A good software - - Moorquill"));
        QVERIFY(tell->txtContent->toPlainText().contains(QStringLiteral("\nWebsite: http")));
        QVERIFY(tell->txtContent->toPlainText().contains(QStringLiteral("\nDownload: http")));
        tell->cmdCancel->click();
        QTRY_VERIFY(!env.w->findChild<frmTellFriend *>());
    }

    void checkNew_downloadNow_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("ownHook");
        QTest::addColumn<QString>("label");
        const QByteArray newer = "Newest Version:1.4\r\nDownSite:%1\r\n";
        const QString found = "Find New Version!\nDo you want to download Now?";
        QTest::newRow("newer, new-job dialog") << newer << false << found;
        QTest::newRow("newer, hook") << newer << true << found;
        QTest::newRow("same version") << QByteArray("Newest Version:1.3\r\n") << false
                                      << "Check Complete.\nNO find new version!";
    }

    void checkNew_downloadNow() {
        QFETCH(QByteArray, file);
        QFETCH(bool, ownHook);
        QFETCH(QString, label);
        Env env;
        FaultHttpServer server;
        const QString site = server.url(QStringLiteral("/moorquill14.zip"));
        server.resource("/newmoorquill.txt").body = QString::fromLatin1(file).arg(site).toLatin1();
        qputenv("MOORQUILL_UPDATE_SERVER",
                QByteArray("127.0.0.1:") + QByteArray::number(server.port()));
        QStringList handed, shown;
        if (ownHook) env.w->newDownload = [&handed](const QString &url) { handed << url; };
        env.w->addCommands()->runDialog = [&shown](frmNewDown1 &d) {
            d.show();
            shown << d.txtUrl->text();
            QTest::mouseClick(d.cmdNewJobOk, Qt::LeftButton);
            return d.result();
        };
        env.action("mnuHelp_New")->trigger();
        qunsetenv("MOORQUILL_UPDATE_SERVER");
        auto *dialog = env.w->findChild<frmCheckNew *>(QStringLiteral("frmCheckNew"));
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Check Newest Version"));
        QTRY_COMPARE(dialog->Label1->text(), label);
        const bool newer = label.startsWith(QStringLiteral("Find"));
        QCOMPARE(dialog->Command1->isVisible(), newer);
        QCOMPARE(dialog->Command2->isVisible(), newer);
        if (!newer) {
            dialog->OKButton->click();
            QCOMPARE(env.core.DownJobs.DownCount(), 0);
            return;
        }
        QCOMPARE(dialog->Command1->text(), QStringLiteral("DownLoad Now!"));
        QCOMPARE(dialog->Command2->text(), QStringLiteral("More Infomation"));
        dialog->Command1->click();
        QTRY_VERIFY(!env.w->findChild<frmCheckNew *>());
        if (ownHook) {
            QCOMPARE(handed, QStringList{site});
            QCOMPARE(env.core.DownJobs.DownCount(), 0);
            return;
        }
        // The address opens the new-job dialog; its OK adds the job.
        QCOMPARE(shown, QStringList{site});
        QCOMPARE(env.core.DownJobs.DownCount(), 1);
        const DownJobRecord &job = env.core.DownJobs[1];
        QCOMPARE(job.Url, site);
        QCOMPARE(job.FileName, QStringLiteral("moorquill14.zip"));
        QVERIFY(job.SavePath.endsWith(QStringLiteral("/moorquill14.zip")));
    }

    void tellFriend_emptyFields_askFirst() {
        modMXQuery mx; // no server: nothing may be looked up
        mx.resolvConfPath = QStringLiteral("/nonexistent/resolv.conf");
        mx.askDnsServer = [] {
            qFatal("asked for a DNS server");
            return QString();
        };
        frmTellFriend dialog(mx);
        QStringList boxes;
        const MsgBox::Handler previous =
            MsgBox::setHandler([&boxes](MsgBox::Kind, const QString &text) {
                boxes << text;
                return false;
            });
        dialog.txtFrom->clear();
        dialog.cmdSend->click();
        dialog.txtFrom->setText(QStringLiteral("me@home.test"));
        dialog.txtTo->clear();
        dialog.cmdSend->click();
        MsgBox::setHandler(previous);
        QCOMPARE(boxes, (QStringList{"Please input your email adddress .",
                                     "Please input your friend's email adddress ."}));
        QCOMPARE(dialog.List1->count(), 0);
    }

    void tellFriend_sendShowsDialogue() {
        DnsResponder dns;
        SmtpSink sink;
        sink.step("MESSAGE").delayMs = 200;
        dns.setScript("sink.test",
                      {DnsResponder::reply(DnsMessage::MxQueryPacket("sink.test"),
                                           {{15, 1, DnsResponder::labels("127.0.0.1")}}),
                       {},
                       false});
        modMXQuery mx;
        mx.DnsServers = {dns.server()};
        mx.DnsCount = 1;
        mx.serverPortAllowed = true;
        frmTellFriend dialog(mx);
        dialog.dialogue()->port = sink.port();
        dialog.dialogue()->secondMs = 100;
        dialog.txtFrom->setText(QStringLiteral("me@home.test"));
        dialog.txtTo->setText(QStringLiteral("you@sink.test"));
        dialog.show();
        QTest::mouseClick(dialog.cmdSend, Qt::LeftButton);
        QVERIFY(!dialog.cmdSend->isEnabled()); // one dialogue at a time
        QTRY_VERIFY_WITH_TIMEOUT(dialog.cmdSend->isEnabled(), 10000);
        QCOMPARE(dialog.List1->item(dialog.List1->count() - 1)->text(),
                 QStringLiteral("Message send succeed"));
        QCOMPARE(dialog.List1->currentRow(), dialog.List1->count() - 1);
        QVERIFY(sink.message.contains("\r\n\r\nHi,\r\n\r\nI have been using MoorQuill"));
        QCOMPARE(dns.askedNames(), QStringList{"sink.test"});
    }
};

QTEST_MAIN(TestFrmMainHelp)
#include "tst_frmmainhelp.moc"
