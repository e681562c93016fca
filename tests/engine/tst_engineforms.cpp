#include "engine/frmCreateFile.h"
#include "engine/frmJobmessage.h"

#include <QListWidget>
#include <QProgressBar>
#include <QtTest>

class TestEngineForms : public QObject {
    Q_OBJECT
private slots:
    // Hidden while a file is made fast; shown (once the time is up) while slow.
    void createFileShownWhenSlow() {
        frmCreateFile form;
        form.Progress(0, 5000000);
        form.Progress(5000000, 5000000);
        QVERIFY(!form.isVisible());
        form.setShowAfterMs(0);
        form.Progress(0, 3069000);
        form.Progress(1023000, 3069000);
        QVERIFY(form.isVisible());
        auto *bar = form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        QVERIFY(bar);
        QCOMPARE(bar->maximum(), 3069000);
        QCOMPARE(bar->value(), 1023000);
        form.Progress(3069000, 3069000);
        QVERIFY(!form.isVisible());
    }

    void jobMessageShowsAndAdds() {
        frmJobmessage form;
        form.AddMessage(QStringLiteral("Job complete.http://h/a.swf"));
        form.AddMessage(QStringLiteral("Job complete.http://h/b.swf"));
        QVERIFY(form.isVisible());
        QCOMPARE(form.list()->count(), 2);
        QCOMPARE(form.list()->item(1)->text(), QStringLiteral("Job complete.http://h/b.swf"));
    }
};

QTEST_MAIN(TestEngineForms)
#include "tst_engineforms.moc"
