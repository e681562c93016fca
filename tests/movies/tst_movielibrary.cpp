#include "common/JobFields.h"
#include "common/SwfWriter.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "movies/DependencyJobs.h"
#include "movies/MovieLibrary.h"
#include "movies/MovieRefetch.h"
#include "movies/MovieRows.h"

#include <QtTest>

// The library on the event loop: background checks of finished movies,
// the marks and rows of the lists, copies, and the re-fetch of a damaged one.

namespace {
struct Library {
    TestHome home;
    JobTable jobs;
    ListRowModel nowDown;
    JobLists lists{jobs, nowDown};
    MovieLibrary library{jobs, MovieCache(home.file("cache"))};
    MovieRows rows{lists, jobs, library};

    int addJob(const QString &name, const QByteArray &bytes, const QString &url = {}) {
        DownJobRecord r;
        r.State = StateComplete;
        r.CategoryKey = "Downloaded";
        r.SavePath = home.file(name);
        r.Url = url;
        writeFileBytes(r.SavePath, bytes);
        return jobs.add(r);
    }
    QString icon(int row) const { return lists.lvHaveDown.row(row).iconKey; }
    QString info(const QString &name) const {
        for (int r = 0; r < lists.lvHaveDownInfo.count(); ++r)
            if (lists.lvHaveDownInfo.row(r).text == name) return lists.lvHaveDownInfo.subItem(r, 1);
        return {};
    }
};
} // namespace

class tst_MovieLibrary : public QObject {
    Q_OBJECT
private slots:
    void finishedMoviesAreCheckedInTheBackground() {
        Library l;
        SwfRecipe r;
        r.compression = 'C';
        r.loads = {"level2.swf", "music.mp3", "data.xml"};
        const QByteArray movie = makeSwf(r);
        const int a = l.addJob("a.swf", movie, "http://h.example/m/a.swf");
        const int copy = l.addJob("copy.swf", movie);
        const int cut = l.addJob("cut.swf", movie.left(movie.size() / 2));
        const int page = l.addJob("page.swf", "<html></html>");
        l.addJob("notes.txt", "text");
        l.lists.FillCompletedList("Downloaded", 0, 0);
        QCOMPARE(l.lists.lvHaveDown.columns().size(), MovieRows::kFirstColumn + 8);
        QCOMPARE(l.icon(0), QString("Ok"));

        QSignalSpy checked(&l.library, &MovieLibrary::checked);
        QSignalSpy damaged(&l.library, &MovieLibrary::damaged);
        QSignalSpy deps(&l.library, &MovieLibrary::dependenciesFound);
        for (int job = 1; job <= l.jobs.DownCount(); ++job)
            l.library.add(job, true);
        QVERIFY(checked.isEmpty()); // not before the event loop runs
        QTRY_VERIFY(l.library.idle());
        QCOMPARE(checked.size(), 4);
        QCOMPARE(damaged.size(), 2);
        QCOMPARE(damaged[0][0].toInt(), cut);
        QVERIFY(damaged[0][1].toString().startsWith("cut short"));
        QCOMPARE(damaged[1][0].toInt(), page);
        QCOMPARE(deps.size(), 1); // the copy has no address to resolve against
        QCOMPARE(deps[0][1].toStringList(),
                 QStringList({"http://h.example/m/level2.swf", "http://h.example/m/music.mp3",
                              "http://h.example/m/data.xml"}));
        QCOMPARE(l.icon(0), QString("Copies"));
        QCOMPARE(l.icon(1), QString("Copies"));
        QCOMPARE(l.icon(2), QString("Error"));
        QCOMPARE(l.icon(4), QString("Ok")); // no movie
        QCOMPARE(l.library.copiesOf(a), QVector<int>{copy});
        QCOMPARE(l.lists.lvHaveDown.subItem(2, MovieRows::kFirstColumn + 6).left(18),
                 QString("Damaged: cut short"));

        l.lists.ShowCompletedInfo(a);
        QCOMPARE(l.info("Movie"), QString("Whole"));
        QCOMPARE(l.info("Stage"), QString("320 x 240 pixels"));
        QCOMPARE(l.info("Copies"), l.home.file("copy.swf"));
        QCOMPARE(l.info("SHA-256").size(), 64);

        // A second run knows it all from the cache.
        MovieLibrary again(l.jobs, MovieCache(l.home.file("cache")));
        QVERIFY(again.entry(l.home.file("cut.swf")).damaged());
        again.loadKnown();
        again.finishAll();
        QCOMPARE(again.copiesOf(copy), QVector<int>{a});
    }

    // The files a movie names become jobs beside it (another host's below a
    // folder of its name) that reach the server as the movie did; a file
    // already there is not fetched again.
    void dependencyJobsReachTheServerAsTheMovieDid() {
        Library l;
        const int movie = l.addJob("movie.swf", "FWS", "http://h.example/g/movie.swf");
        DownJobRecord &m = l.jobs[movie];
        m.CategoryKey = "101k";
        m.Parts = 4;
        m.UserAgent = "UA";
        m.UseProxy = -1;
        m.ProxyHost = "proxy";
        m.ProxyPort = 3128;
        m.UseLogin = -1;
        m.UserName = "me";
        m.Password = "secret";
        QVERIFY(writeFileBytes(l.home.file("there.xml"), "<x/>"));
        const QVector<int> added =
            addDependencyJobs(l.jobs, l.lists, movie,
                              {"http://h.example/g/sub/level2.swf", "http://h.example/g/there.xml",
                               "http://other.example/x.swf"});
        QCOMPARE(added.size(), 2);
        COMPARE_FIELDS(l.jobs[added[0]],
                       "{'Url': 'http://h.example/g/sub/level2.swf', 'FileName': 'level2.swf', "
                       "'Referer': 'http://h.example/g/movie.swf', 'CategoryKey': '101k', "
                       "'Parts': 4, 'UserAgent': 'UA', 'UseProxy': -1, 'ProxyHost': 'proxy', "
                       "'ProxyPort': 3128, 'UseLogin': -1, 'UserName': 'me', "
                       "'Password': 'secret'}");
        QCOMPARE(l.jobs[added[0]].SavePath, l.home.file("sub/level2.swf"));
        QCOMPARE(l.jobs[added[1]].SavePath, l.home.file("other.example/x.swf"));
    }

    void damagedDownloadIsFetchedAgainUnderItsName() {
        Library l;
        const int job = l.addJob("m.swf", "FWS\x06");
        DownJobRecord &rec = l.jobs[job];
        rec.TotalSize = rec.Received = 4;
        rec.PartRanges[0] = {0, 5, 4};
        QVERIFY(prepareRefetch(rec).isEmpty());
        QCOMPARE(rec.State, qint32(StateWaiting));
        QCOMPARE(rec.IsNew, kTrue);
        QCOMPARE(rec.Received, 0);
        QCOMPARE(rec.PartRanges[0].Pos, 0);
        QCOMPARE(rec.SavePath, l.home.file("m.swf"));
        QVERIFY(!QFile::exists(rec.SavePath));
        QCOMPARE(readFileBytes(rec.SavePath + ".damaged"), QByteArray("FWS\x06"));
    }
};

QTEST_GUILESS_MAIN(tst_MovieLibrary)
#include "tst_movielibrary.moc"
