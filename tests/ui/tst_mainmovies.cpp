#include "MainWindowFixture.h"
#include "base/OleDate.h"
#include "common/FaultHttpServer.h"
#include "common/SwfWriter.h"
#include "engine/DownloadEvents.h"
#include "movies/MovieLibrary.h"
#include "movies/MovieRows.h"
#include "movies/frmMovieDeps.h"
#include "player/MovieThumbnailer.h"
#include "ui/FileInfoPanel.h"
#include "ui/JobListPanel.h"
#include "ui/MainMenus.h"
#include "ui/MainMovies.h"
#include "ui/frmMain.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

// The movie library in the main window, with real downloads from the test
// server: the files a finished movie loads are offered and fetched beside it.

namespace {
// Draws a movie as one colour, the one its name begins with; a movie named
// "hang..." never answers.
struct StandInThumbnailer : MovieThumbnailer {
    QStringList asked;
    void render(const QString &movie, const QString &out, int,
                std::function<void(bool)> done) override {
        asked << QFileInfo(movie).fileName();
        if (asked.last().startsWith("hang")) return;
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(asked.last().startsWith("red") ? Qt::red : Qt::blue);
        const bool ok = image.save(out);
        done(ok);
    }
};
} // namespace

class TestMainMovies : public QObject {
    Q_OBJECT
private slots:
    void finishedMovieOffersWhatItLoads() {
        MainWindowFixture env;
        FaultHttpServer server;
        SwfRecipe r;
        r.loads = {"data.xml", "sounds/music.mp3", "level2.swf", "level2.swf"};
        FaultHttpServer::Resource movie;
        movie.body = makeSwf(r);
        server.setResource("/g/movie.swf", movie);
        const QByteArray level2 = makeSwf(SwfRecipe());
        for (const auto &file : {QPair<QString, QByteArray>{"/g/level2.swf", level2},
                                 {"/g/sounds/music.mp3", QByteArray(2000, 'm')},
                                 {"/g/data.xml", "<data/>"}}) {
            FaultHttpServer::Resource res;
            res.body = file.second;
            server.setResource(file.first, res);
        }
        frmMain &w = env.open(MainWindowFixture::cartoon());
        DownJobRecord job;
        job.CategoryKey = "101k";
        job.State = StateWaiting;
        job.IsNew = kTrue;
        job.Parts = 1;
        job.Url = server.url("/g/movie.swf");
        job.FileName = "movie.swf";
        job.SavePath = env.home.file("mydown/movies/movie.swf");
        job.CreateTime = OleDate::now();
        const int index = env.core.DownJobs.add(job);
        env.core.lists.AddJobToList(index);

        QTRY_VERIFY_WITH_TIMEOUT(w.movies()->depsDialog(), 10000);
        frmMovieDeps *dialog = w.movies()->depsDialog();
        QStringList offered;
        for (int i = 0; i < dialog->lvDeps->topLevelItemCount(); ++i)
            offered << dialog->lvDeps->topLevelItem(i)->text(0);
        QCOMPARE(offered, QStringList({server.url("/g/data.xml"), server.url("/g/sounds/music.mp3"),
                                       server.url("/g/level2.swf")}));
        QSignalSpy finished(w.events(), &DownloadEvents::JobFinished);
        dialog->cmdOk->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 20000);
        QCOMPARE(readFileBytes(env.home.file("mydown/movies/level2.swf")), level2);
        QCOMPARE(readFileBytes(env.home.file("mydown/movies/sounds/music.mp3")).size(), 2000);
        QCOMPARE(readFileBytes(env.home.file("mydown/movies/data.xml")), QByteArray("<data/>"));
        QCOMPARE(env.core.DownJobs[index + 1].CategoryKey, QString("101k"));
        QCOMPARE(env.core.DownJobs[index + 1].Referer, job.Url);
    }

    // Imported whole movies get pictures in turn; a render that never answers
    // gives way to the next; the picture below the information follows the
    // selection; the movie columns start hidden; the thumbnail view.
    void picturesOfImportedMovies() {
        StandInThumbnailer thumbnailer;
        MainWindowFixture env;
        frmMain &w = env.create();
        w.movies()->createThumbnailer = [&](QObject *) { return &thumbnailer; };
        w.movies()->library().thumbnailGuardMs = 300;
        w.load();
        for (const char *name : {"hang.swf", "red.swf", "blue.swf", "cut.swf"}) {
            DownJobRecord r;
            r.CategoryKey = "Downloaded";
            r.State = StateComplete;
            r.FileName = name;
            r.SavePath = env.home.file(name);
            const QByteArray movie = makeSwf(SwfRecipe());
            writeFileBytes(r.SavePath, r.FileName == "cut.swf" ? movie.left(20) : movie);
            env.core.DownJobs.add(r);
        }
        env.core.lists.FillCompletedList("Downloaded", 0, OleDate::now());
        QTRY_COMPARE_WITH_TIMEOUT(thumbnailer.asked.size(), 3, 5000);
        QCOMPARE(thumbnailer.asked, QStringList({"hang.swf", "red.swf", "blue.swf"}));

        QTreeView *list = w.lists()->lvHaveDown();
        QLabel *picture = w.fileInfo()->moviePicture();
        for (const auto &[row, colour] : {QPair<int, QRgb>{1, 0xffff0000}, {2, 0xff0000ff}}) {
            clickRow(list, row);
            QVERIFY(!picture->isHidden());
            QCOMPARE(picture->pixmap().toImage().pixel(1, 1), colour);
        }
        clickRow(list, 3);
        QVERIFY(picture->isHidden());

        QHeaderView *header = list->header();
        QVERIFY(header->count() > MovieRows::kFirstColumn);
        for (int c = 0; c < header->count(); ++c)
            QCOMPARE(header->isSectionHidden(c), c >= MovieRows::kFirstColumn);
        w.menus()->action("mnuView_Thumbs")->trigger();
        QCOMPARE(list->iconSize(), QSize(64, 48));
    }
};

QTEST_MAIN(TestMainMovies)
#include "tst_mainmovies.moc"
