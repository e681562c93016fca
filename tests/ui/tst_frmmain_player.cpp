#include "MainWindowFixture.h"
#include "base/ListRowModel.h"
#include "base/OleDate.h"
#include "common/SwfWriter.h"
#include "player/FakePlayer.h"
#include "player/MoviePlayer.h"
#include "ui/CategoryTreePanel.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainToolbars.h"
#include "ui/Resizer.h"
#include "ui/frmMain.h"
#include "ui/frmMainPlayer.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace {
QByteArray movie(int frames) {
    SwfRecipe r;
    r.frames = frames;
    return makeSwf(r);
}

struct Window : MainWindowFixture {
    FakePlayer *player = nullptr;
    int created = 0;

    // Finished jobs: a.swf (120 frames), b.swf (40), c.zip, d.swf (60),
    // e.swf (missing), f.swf (damaged).
    frmMain &open() {
        const QList<QPair<QString, QByteArray>> files = {
            {"a.swf", movie(120)}, {"b.swf", movie(40)}, {"c.zip", "PK"},
            {"d.swf", movie(60)},  {"e.swf", {}},        {"f.swf", "FWS?"}};
        create([this, files](CategoryStore &, JobTable &jobs) {
            for (const auto &f : files) {
                DownJobRecord r;
                r.CategoryKey = QStringLiteral("Downloaded");
                r.State = 4;
                r.FileName = f.first;
                r.SavePath = home.file(f.first);
                if (!f.second.isEmpty()) writeFileBytes(r.SavePath, f.second);
                r.Url = QStringLiteral("http://127.0.0.1/") + f.first;
                r.CreateTime = OleDate::now();
                jobs.add(r);
            }
        });
        w->moviePanel()->createPlayer = [this](QWidget *parent) {
            ++created;
            player = new FakePlayer(parent);
            return player;
        };
        w->load();
        return *w;
    }
    frmMainPlayer *panel() const { return w->moviePanel(); }
    QTreeView *list() const { return w->lists()->lvHaveDown(); }
    void click(int row) { clickRow(list(), row); }
    int selectedRow() const {
        const QModelIndexList rows = list()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    QString path(const char *name) const { return home.file(name); }
    void operKey(const QString &key) {
        w->toolbars()->button(w->toolbars()->tbOper(), key)->trigger();
    }
};
} // namespace

class TestFrmMainPlayer : public QObject {
    Q_OBJECT
private slots:
    void noPlayerUntilTheFirstMovie() {
        Window env;
        frmMain &w = env.open();
        QCOMPARE(env.list()->model()->rowCount(), 6);
        QCOMPARE(env.created, 0);
        QVERIFY(!w.fileInfo()->findChild<QSlider *>("Slider1")->isEnabled());
        env.click(2); // the zip
        env.click(4); // missing file
        QCOMPARE(env.created, 0);
        env.click(0);
        QCOMPARE(env.created, 1);
        QCOMPARE(env.player->Movie(), env.path("a.swf"));
        env.click(1);
        QCOMPARE(env.created, 1);
        QCOMPARE(env.player->Movie(), env.path("b.swf"));
    }

    void sliderAndStatusFollowTheMovie() {
        Window env;
        frmMain &w = env.open();
        env.click(0);
        frmMainPlayer *panel = env.panel();
        QSlider *slider = panel->slider();
        QVERIFY(panel->FollowMovie);
        QVERIFY(panel->timer2()->isActive());
        QCOMPARE(panel->timer2()->interval(), 100);
        QCOMPARE(slider->maximum(), 120);
        QVERIFY(slider->isEnabled());
        env.player->frame = 37;
        panel->FollowTick();
        QCOMPARE(slider->value(), 37);
        QCOMPARE(w.statusPanel(2)->text(), QString("a.swf 37/120"));
        QVERIFY(env.player->gotos.isEmpty()); // the refresh does not seek
        // Pressed: the slider stays where the user holds it.
        emit slider->sliderPressed();
        QVERIFY(!panel->FollowMovie);
        env.player->frame = 50;
        panel->FollowTick();
        QCOMPARE(slider->value(), 37);
        // Released without moving: no seek, following again.
        emit slider->sliderReleased();
        QVERIFY(panel->FollowMovie);
        QVERIFY(env.player->gotos.isEmpty());
        // A scroll by the user seeks and plays.
        env.player->playing = false;
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(env.player->gotos, QList<int>{slider->value()});
        QVERIFY(env.player->playing);
    }

    void stepping_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("movie");
        QTest::newRow("next") << 0 << "Next" << 1 << "b.swf";
        QTest::newRow("previous") << 1 << "Last" << 0 << "a.swf";
        QTest::newRow("previous on the first row") << 0 << "Last" << 0 << "a.swf";
        QTest::newRow("next onto a zip") << 1 << "Next" << 2 << "b.swf";
        QTest::newRow("next from the zip") << 2 << "Next" << 3 << "d.swf";
        QTest::newRow("next onto a missing file") << 3 << "Next" << 4 << "d.swf";
        QTest::newRow("next onto a damaged file") << 4 << "Next" << 5 << "";
        QTest::newRow("next on the last row") << 5 << "Next" << 5 << "";
    }

    void stepping() {
        QFETCH(int, start);
        QFETCH(QString, key);
        QFETCH(int, row);
        QFETCH(QString, movie);
        Window env;
        env.open();
        env.click(start);
        const QString before = env.player ? env.player->Movie() : QString();
        env.operKey(key);
        QCOMPARE(env.selectedRow(), row);
        const QString now = env.player ? env.player->Movie() : QString();
        QCOMPARE(now, movie.isEmpty() ? before : env.path(qPrintable(movie)));
    }

    // The player follows the keyboard; a damaged movie is not played: the
    // player's place, the information and the Edit menu say so, and it can
    // be fetched again.
    void keyboardMovesThePlayer_damagedMovieSaysWhy() {
        Window env;
        frmMain &w = env.open();
        w.show();
        env.click(0);
        QTreeView *list = env.list();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(env.player->Movie(), env.path("b.swf"));
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(env.selectedRow(), 5);
        QVERIFY(env.player->Movie().isEmpty());
        auto *notice = w.findChild<QLabel *>("lblMovieNotice");
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->text().startsWith("This movie is damaged: "), qPrintable(notice->text()));
        const ListRowModel &info = env.core.lists.lvHaveDownInfo;
        QCOMPARE(info.row(8).text, QString("Movie"));
        QVERIFY(info.subItem(8, 1).startsWith("Damaged: "));
        emit w.menus()->menu("mnuEdit")->aboutToShow();
        QVERIFY(w.menus()->action("mnuEdit_Refetch")->isEnabled());
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(env.player->Movie(), env.path("a.swf"));
        QVERIFY(!notice->isVisible());
        emit w.menus()->menu("mnuEdit")->aboutToShow();
        QVERIFY(!w.menus()->action("mnuEdit_Refetch")->isEnabled());
        // Fetched again: the damaged file is kept aside, the job waits.
        QTest::keyClick(list, Qt::Key_End);
        emit w.menus()->menu("mnuEdit")->aboutToShow();
        w.menus()->action("mnuEdit_Refetch")->trigger();
        QCOMPARE(list->model()->rowCount(), 5);
        QVERIFY(QFile::exists(env.path("f.swf.damaged")));
        QVERIFY(env.core.DownJobs[6].State != StateComplete);
    }

    void operateEntriesFollowTheViewButtonsAlwaysAct() {
        Window env;
        frmMain &w = env.open();
        env.click(0);
        const char *const entries[] = {
            "mnuOption_PlaySwf", "mnuOption_StopSwf", "mnuOption_CloseSwf", "mnuOption_PorSwf",
            "mnuOption_NextSwf", "mnuOption_Auto",    "mnuOption_ViewSwf"};
        QMenu *operate = w.menus()->menu("mnuOption");
        for (const char *key : {"NowSearch", "NowDownLoad", "Downloaded"}) {
            w.tvNa()->selectKey(key);
            emit operate->aboutToShow();
            for (const char *name : entries)
                QCOMPARE(w.menus()->action(name)->isEnabled(), key[0] == 'D');
        }
        // The menu drives the loaded movie...
        w.menus()->action("mnuOption_StopSwf")->trigger();
        QVERIFY(!env.player->playing);
        w.menus()->action("mnuOption_PlaySwf")->trigger();
        QVERIFY(env.player->playing);
        // ...and so do the buttons in another view.
        w.tvNa()->selectKey("NowDownLoad");
        emit operate->aboutToShow();
        env.operKey("Pause");
        QVERIFY(!env.player->playing);
        env.operKey("Play");
        QVERIFY(env.player->playing);
        env.operKey("Stop");
        QVERIFY(env.player->Movie().isEmpty());
        env.panel()->FollowTick(); // nothing loaded: nothing to follow, no crash
    }

    void fullScreenAndBack() {
        Window env;
        frmMain &w = env.open();
        w.show();
        env.click(0);
        MainMenus *m = w.menus();
        Resizer *r4 = w.fileInfo()->resizer4();
        m->action("mnuView_Tree")->trigger(); // the tree already hidden
        QVERIFY(!m->action("mnuView_Tree")->isChecked());
        env.operKey("FullS");
        QVERIFY(env.panel()->IsFullScreen);
        QVERIFY(!w.toolbars()->tbMain()->isVisible());
        QVERIFY(!w.statusBar()->isVisible());
        QVERIFY(!w.resizer2()->Control1Visible());
        QVERIFY(!r4->Control2Visible());
        QCOMPARE(env.player->Movie(), env.path("a.swf")); // the movie stays
        env.player->doubleClicked();                      // double-click leaves full screen
        QVERIFY(!env.panel()->IsFullScreen);
        for (const char *name : {"mnuView_Tree", "mnuView_ToolBar", "mnuView_State"})
            QVERIFY2(m->action(name)->isChecked(), name);
        QVERIFY(w.toolbars()->tbMain()->isVisible());
        QVERIFY(w.statusBar()->isVisible());
        QVERIFY(w.resizer2()->Control1Visible());
        QVERIFY(r4->Control2Visible());
        QCOMPARE(w.toolbars()->imageOf(w.toolbars()->tbOper(), "lvD"), QString("lvD1"));
    }

    void autoPlayStepsAtTheEnd() {
        Window env;
        frmMain &w = env.open();
        env.click(0);
        frmMainPlayer *panel = env.panel();
        env.player->frame = 120;
        env.player->playTime = 10000;
        panel->FollowTick(); // AutoPlay off: stays
        QCOMPARE(env.player->Movie(), env.path("a.swf"));
        w.menus()->action("mnuOption_Auto")->setChecked(true);
        env.player->frame = 119;
        panel->FollowTick();
        QCOMPARE(env.player->Movie(), env.path("a.swf"));
        env.player->frame = 2; // wrapped round from the end
        panel->FollowTick();
        QCOMPARE(env.player->Movie(), env.path("b.swf"));
        QCOMPARE(env.selectedRow(), 1);
    }
};

QTEST_MAIN(TestFrmMainPlayer)
#include "tst_frmmain_player.moc"
