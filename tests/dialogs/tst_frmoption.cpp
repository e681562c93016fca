#include "base/ListRowModel.h"
#include "common/TestFiles.h"
#include "core/ProxyList.h"
#include "dialogs/frmOption.h"
#include "dialogs/frmProxy.h"
#include "kit/MsgBox.h"
#include "kit/PlaceDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>

namespace {

// Runs `fill` on the modal frmProxy as soon as it is open.
void whenProxyDialogOpens(const std::function<void(frmProxy *)> &fill) {
    QTimer::singleShot(0, [fill] {
        auto *dialog = qobject_cast<frmProxy *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(dialog);
    });
}

void addProxy(frmOption &options, const QString &host, const QString &port) {
    whenProxyDialogOpens([host, port](frmProxy *d) {
        d->Text1->setText(host);
        d->Text2->setText(port);
        d->Command1->click();
    });
    options.Command1->click();
}

void selectRow(frmOption &options, int row) {
    options.ListView1->setCurrentIndex(options.ListView1->model()->index(row, 0));
}
} // namespace

class TestFrmOption : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_messages;
    QString path() const { return m_dir.filePath(QStringLiteral("set.ini")); }

private slots:
    void initTestCase() {
        MsgBox::setHandler([this](MsgBox::Kind, const QString &text) {
            m_messages << text;
            return false;
        });
    }
    void init() {
        QFile::remove(path());
        m_messages.clear();
    }

    // Texts whose odd spelling and spacing a tidy-up would "fix".
    void oddTextsStayAsTheyAre() {
        Settings s;
        frmOption options(path(), s);
        QCOMPARE(options.chkPopMessage->text(), QString("Alaws pop up message window"));
        QCOMPARE(options.chkUseMQ->text(), QString("Use \"mq!\" as file extension until finished"));
        QCOMPARE(options.TabStrip1->tabText(0), QString(" General  "));
        QCOMPARE(options.TabStrip1->tabText(1), QString(" Proxy Server"));
        QCOMPARE(options.cmbUserAgent->itemText(3),
                 QString("Mozilla/4.0 (Windows 95;US) Opera 3.60  [en]"));
        QCOMPARE(options.ListView1->model()->headerData(0, Qt::Horizontal).toString(),
                 QString("Server Name Or IP"));
    }

    void opensOnTheCallersPage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("panel");
        QTest::newRow("default") << 0 << "picGeneral";
        QTest::newRow("general") << 1 << "picGeneral";
        QTest::newRow("proxy") << 2 << "picProxy";
        QTest::newRow("other") << 3 << "picOther";
    }
    void opensOnTheCallersPage() {
        QFETCH(int, page);
        QFETCH(QString, panel);
        Settings s;
        frmOption options(path(), s, page);
        auto *pages = options.findChild<QStackedWidget *>();
        QCOMPARE(pages->currentWidget()->objectName(), panel);
        options.TabStrip1->setCurrentIndex(2);
        QCOMPARE(pages->currentWidget()->objectName(), QString("picOther"));
        QCOMPARE(options.currentPage(), 3);
    }

    void loadReadsAndStores() {
        QVERIFY(writeFileBytes(
            path(), "[General]\r\nCtimeout=7.6\r\nFileexits=True\r\n[Other]\r\nCloseMin=1\r\n"
                    "[Proxy]\r\nProxynum=1\r\n1=proxy1:8080\r\n"));
        Settings s;
        frmOption options(path(), s);
        QCOMPARE(options.cmbCTimeout->currentText(), QString("7.6"));
        QVERIFY(options.Option1->isChecked());
        QVERIFY(!options.Option2->isChecked());
        QVERIFY(options.chkCloseMin->isChecked());
        QCOMPARE(options.ListView1->model()->rowCount(), 1);
        QCOMPARE(s.Ctimeout, qint16(8)); // stored at load already
        QCOMPARE(s.CloseMin, qint16(1));
        QVERIFY(readFileBytes(path()).startsWith("[General]\r\nMaxjobs=5\r\n"));
    }

    void cancelChangesNothing() {
        Settings s;
        frmOption options(path(), s);
        const QByteArray file = readFileBytes(path());
        options.cmbMaxJobs->setCurrentText("2");
        options.Option1->setChecked(true);
        options.chkPopMessage->setChecked(true);
        addProxy(options, "proxy1", "8080");
        QCOMPARE(options.ListView1->model()->rowCount(), 1);
        options.cmdCancel->click();
        QCOMPARE(options.result(), int(QDialog::Rejected));
        QCOMPARE(readFileBytes(path()), file);
        QCOMPARE(s.Maxjobs, qint16(5));
        QVERIFY(!s.Fileexits);
        QCOMPARE(s.PopMessage, qint16(0));
        QCOMPARE(FillProxyChoices(path()).texts.size(), 1);
    }

    void okStoresFileAndSettings() {
        Settings s;
        frmOption options(path(), s);
        options.cmbMaxJobs->setCurrentText("3");
        options.Option1->setChecked(true);
        options.chkHideMin->setChecked(true);
        addProxy(options, "proxy1", "8080");
        options.cmdOk->click();
        QCOMPARE(options.result(), int(QDialog::Accepted));
        QCOMPARE(s.Maxjobs, qint16(3));
        QVERIFY(s.Fileexits);
        QCOMPARE(s.HideMin, qint16(1));
        const QByteArray file = readFileBytes(path());
        QVERIFY(file.contains("Maxjobs=3\r\n"));
        QVERIFY(file.contains("Fileexits=True\r\n"));
        QVERIFY(file.contains("[Proxy]\r\nProxynum=1\r\nDefault=0\r\n1=proxy1:8080\r\n[Other]"));
        QCOMPARE(FillProxyChoices(path()).texts, QStringList({"Direct Connection", "proxy1:8080"}));
    }

    void deleteRenumbers() {
        Settings s;
        frmOption options(path(), s);
        addProxy(options, "a", "1");
        addProxy(options, "b", "2");
        addProxy(options, "c", "3");
        QVERIFY(!options.Command2->isEnabled());
        selectRow(options, 0);
        QVERIFY(options.Command2->isEnabled());
        QVERIFY(options.Command3->isEnabled());
        QVERIFY(options.Command4->isEnabled());
        options.Command2->click();
        QVERIFY(!options.Command2->isEnabled());
        options.cmdOk->click();
        QVERIFY(readFileBytes(path()).contains(
            "[Proxy]\r\nProxynum=2\r\nDefault=0\r\n1=b:2\r\n2=c:3\r\n"));
    }

    void modifyReplacesTheSelectedRow() {
        Settings s;
        frmOption options(path(), s);
        addProxy(options, "a", "1");
        addProxy(options, "b", "2");
        selectRow(options, 1);
        whenProxyDialogOpens([](frmProxy *d) {
            QCOMPARE(d->windowTitle(), QString("Modify Select Proxy Setting"));
            QCOMPARE(d->Command1->text(), QString("&Modify"));
            QCOMPARE(d->Text1->text(), QString("b"));
            QCOMPARE(d->Text2->text(), QString("2"));
            d->Text2->setText("3128");
            d->Command1->click();
        });
        options.Command4->click();
        QCOMPARE(options.values().proxies, (QVector<ProxyEntry>{{"a", "1"}, {"b", "3128"}}));
    }

    // The messages themselves are checked with checkProxyInput; here the
    // dialog stays open and puts the focus on the box at fault.
    void proxyDialogRefusesBadInput_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("empty host")
            << "" << QString("80") << QString("Please input Proxy Server Name or Ip!") << "Text1";
        QTest::newRow("text port")
            << "h" << QString("http")
            << QString("The Proxy Server Port must be a number from 1 to 65535!") << "Text2";
    }
    void proxyDialogRefusesBadInput() {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        ListRowModel rows;
        setupProxyColumns(rows);
        frmProxy dialog(rows, frmProxy::AddMode, -1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        dialog.Text1->setText(host);
        dialog.Text2->setText(port);
        dialog.Command1->click();
        QCOMPARE(m_messages, QStringList{message});
        QVERIFY(dialog.isVisible());
        QCOMPARE(rows.count(), 0);
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), focus);
    }

    void proxyDialogCancel() {
        ListRowModel rows;
        setupProxyColumns(rows);
        appendProxyRow(rows, {"a", "1"});
        frmProxy dialog(rows, frmProxy::ModifyMode, 0);
        dialog.Text1->setText("changed");
        dialog.Command2->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(rows.row(0).text, QString("a"));
    }

    void placeDialog() {
        QWidget w;
        w.resize(400, 300);
        PlaceDialog(&w);
        const QRect screen = w.screen()->geometry();
        QCOMPARE(w.pos().x(), screen.x() + (screen.width() - w.frameGeometry().width()) / 2);
        QCOMPARE(w.pos().y(), screen.y() + (screen.height() - w.frameGeometry().height()) / 3);
    }
};

QTEST_MAIN(TestFrmOption)
#include "tst_frmoption.moc"
