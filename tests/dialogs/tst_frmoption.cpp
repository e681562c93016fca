#include "common/TestFiles.h"
#include "core/ProxyList.h"
#include "dialogs/frmOption.h"
#include "dialogs/frmProxy.h"
#include "kit/MsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
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

} // namespace

class TestFrmOption : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("set.ini")); }

private slots:
    void initTestCase() {
        MsgBox::setHandler([](MsgBox::Kind, const QString &) { return false; });
    }
    void init() { QFile::remove(path()); }

    // Texts whose odd spelling and spacing a tidy-up would "fix"; the page
    // the caller asks for.
    void textsAndPages_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("panel");
        QTest::newRow("default") << 0 << "picGeneral";
        QTest::newRow("proxy") << 2 << "picProxy";
        QTest::newRow("other") << 3 << "picOther";
    }
    void textsAndPages() {
        QFETCH(int, page);
        Settings s;
        frmOption options(path(), s, page);
        QCOMPARE(options.chkPopMessage->text(), QString("Alaws pop up message window"));
        QCOMPARE(options.TabStrip1->tabText(0), QString(" General  "));
        QCOMPARE(options.cmbUserAgent->itemText(3),
                 QString("Mozilla/4.0 (Windows 95;US) Opera 3.60  [en]"));
        QTEST(options.findChild<QStackedWidget *>()->currentWidget()->objectName(), "panel");
        options.TabStrip1->setCurrentIndex(2);
        QCOMPARE(options.currentPage(), 3);
    }

    void cancelChangesNothing() {
        Settings s;
        frmOption options(path(), s);
        const QByteArray file = readFileBytes(path());
        options.cmbMaxJobs->setCurrentText("2");
        options.chkPopMessage->setChecked(true);
        addProxy(options, "proxy1", "8080");
        options.cmdCancel->click();
        QCOMPARE(readFileBytes(path()), file);
        QCOMPARE(s.Maxjobs, qint16(5));
        QCOMPARE(s.PopMessage, qint16(0));
    }

    // Added, modified and deleted proxies are renumbered; OK stores all.
    void okStoresFileAndSettings() {
        Settings s;
        frmOption options(path(), s);
        options.cmbMaxJobs->setCurrentText("3");
        options.Option1->setChecked(true);
        options.chkHideMin->setChecked(true);
        for (const char *host : {"a", "b", "c"})
            addProxy(options, host, "1");
        QVERIFY(!options.Command2->isEnabled());
        options.ListView1->setCurrentIndex(options.ListView1->model()->index(0, 0));
        options.Command2->click();
        QVERIFY(!options.Command2->isEnabled());
        options.ListView1->setCurrentIndex(options.ListView1->model()->index(1, 0));
        whenProxyDialogOpens([](frmProxy *d) {
            QCOMPARE(d->windowTitle(), QString("Modify Select Proxy Setting"));
            QCOMPARE(d->Text1->text(), QString("c"));
            d->Text2->setText("3128");
            d->Command1->click();
        });
        options.Command4->click();
        options.cmdOk->click();
        QCOMPARE(options.result(), int(QDialog::Accepted));
        QCOMPARE(s.Maxjobs, qint16(3));
        QVERIFY(s.Fileexits);
        QCOMPARE(s.HideMin, qint16(1));
        const QByteArray file = readFileBytes(path());
        QVERIFY(file.contains("Maxjobs=3\r\n"));
        QVERIFY(
            file.contains("[Proxy]\r\nProxynum=2\r\nDefault=0\r\n1=b:1\r\n2=c:3128\r\n[Other]"));
    }
};

QTEST_MAIN(TestFrmOption)
#include "tst_frmoption.moc"
