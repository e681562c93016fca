#include "CacheEntryWriter.h"
#include "browser/BrowserCache.h"
#include "browser/CacheSave.h"
#include "browser/frmSaveSwfto.h"
#include "common/EditFixture.h"
#include "common/JobFields.h"
#include "kit/DialogKit.h"
#include "kit/MsgBox.h"
#include "player/FakePlayer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <memory>

namespace {
const QString kCached = "http://127.0.0.1:8080/games/cached.swf";
const QString kMissing = "http://127.0.0.1:8080/games/missing.swf";
const QByteArray kMovie = "frames 42";

struct Rig {
    EditFixture f;
    QTemporaryDir cacheDir;
    QPointer<frmSaveSwfto> dialog;
    QStringList boxes; // every message shown, in order
    QList<bool> answers;
    QStringList downloads;
    QList<int> saved;
    FakePlayer *player = nullptr;

    Rig() {
        const QByteArray key = "1/0/_dk_http://127.0.0.1 http://127.0.0.1 " + kCached.toLatin1();
        writeFileBytes(
            cacheDir.filePath("00000000000000aa_0"),
            CacheEntryWriter::chromium(key, kMovie, "HTTP/1.1 200 OK\nContent-Length: 9\n"));
        MsgBox::setHandler([this](MsgBox::Kind kind, const QString &text) {
            boxes << text;
            if (kind == MsgBox::Kind::Plain) return false;
            return answers.isEmpty() ? false : answers.takeFirst();
        });
    }
    ~Rig() {
        MsgBox::setHandler({});
        DialogKit::setBrowseHandler({});
        delete dialog;
    }
    frmSaveSwfto &open(const QStringList &found) {
        f.core.scan.FoundMovies = found;
        f.core.scan.FoundCount = int(found.size());
        showFoundMovies(f.core, dialog, [this] {
            auto *d = new frmSaveSwfto(
                f.core, f.commit(),
                std::make_unique<BrowserCache>(CacheFolders::fromDirs({cacheDir.path()})));
            d->createPlayer = [this](QWidget *parent) { return player = new FakePlayer(parent); };
            d->downloadMovie = [this](const QString &url, const QString &comment) {
                downloads << url + " | " + comment;
            };
            d->jobSaved = [this](int job) { saved << job; };
            return d;
        });
        return *dialog;
    }
    QStringList rows() const {
        QStringList out;
        for (int i = 0; i < dialog->ListView1->count(); ++i)
            out << dialog->ListView1->item(i)->text();
        return out;
    }
    void select(const QString &url) {
        const auto items = dialog->ListView1->findItems(url, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        dialog->ListView1->setCurrentItem(items.first());
        dialog->rowClicked();
    }
};
} // namespace

class TestFrmSaveSwfto : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheScanList() {
        Rig r;
        frmSaveSwfto &d = r.open({kCached, " " + kMissing + " ", kCached, "http://a.test/x.swf"});
        QCOMPARE(d.windowTitle(), QString("Save Flash"));
        QVERIFY(!d.isModal());
        QVERIFY(d.isVisible());
        QCOMPARE(d.Label1->text(),
                 QString("Moorquill total have found 4 Flash files in Ie window."));
        QCOMPARE(r.rows(), (QStringList{kCached, kMissing, kCached, "http://a.test/x.swf"}));
        QCOMPARE(r.f.core.scan.FoundCount, 0);
        QVERIFY(r.f.core.scan.FoundMovies.isEmpty());
        QVERIFY(!showFoundMovies(r.f.core, r.dialog, [] { return nullptr; })); // nothing waits
        QCOMPARE(d.cmdSave->text(), QString("Save Flash"));
        QCOMPARE(d.txtSaveAs1->text(), r.f.core.tree.find("Downloaded")->tag);
        d.cmbClass1->setCurrentIndex(d.cmbClass1->findData("102k"));
        QCOMPARE(d.txtSaveAs1->text(), r.f.core.tree.find("102k")->tag);
        d.cmdCancel->click();
        QTRY_VERIFY(!r.dialog); // closed and gone
    }
    void rowClickPreviewsCachedMovie() {
        Rig r;
        frmSaveSwfto &d = r.open({kMissing, kCached});
        r.select(kMissing);
        QVERIFY(!r.player); // nothing to preview
        QCOMPARE(d.txtRename->text(), QString("missing.swf"));
        r.select(kCached);
        QVERIFY(r.player);
        QCOMPARE(readFileBytes(r.player->movie), kMovie);
        QCOMPARE(d.Slider1->maximum(), 42);
        QVERIFY(!d.Slider1->isEnabled());
        QCOMPARE(d.txtRename->text(), QString("cached.swf"));
        d.txtRename->setText("x");
        d.Command1->click();
        QCOMPARE(d.txtRename->text(), QString("cached.swf"));
    }
    void savesCachedMovieAsFinishedJob() {
        Rig r;
        frmSaveSwfto &d = r.open({kCached, kMissing});
        r.select(kCached);
        d.cmbClass1->setCurrentIndex(d.cmbClass1->findData("101k"));
        d.txtComment->setText("from the page");
        d.cmdSave->click();
        const QString target = r.f.core.tree.find("101k")->tag + "cached.swf";
        QCOMPARE(readFileBytes(target), kMovie);
        QCOMPARE(r.boxes, QStringList{"Save Flash Catoon File :\n" + kCached + "\nto \n" + target +
                                      "\nsucceed ."});
        QCOMPARE(r.rows(), QStringList{kMissing});
        QCOMPARE(r.saved.size(), 1);
        const DownJobRecord &job = r.f.core.DownJobs[r.saved.first()];
        COMPARE_FIELDS(job,
                       QString("{'State': 4, 'CategoryKey': '101k', 'SavePath': '%1', 'Url': '',"
                               "'Comment': 'from the page', 'TotalSize': %2, 'Received': %2}")
                           .arg(target)
                           .arg(kMovie.size())
                           .toUtf8());
        QVERIFY(job.CreateTime > 0);
        // The job database on disk holds it.
        const auto saved = r.f.reload();
        QCOMPARE(saved->jobs.DownCount(), 1);
        QCOMPARE(saved->jobs[1].SavePath, target);
    }
    void targetPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("target");
        QTest::newRow("folder with trailing separator") << "/down/"
                                                        << "/down/a.swf";
        QTest::newRow("folder without") << "/down"
                                        << "/down/a.swf";
        QTest::newRow("doubled inside") << "/down//x/"
                                        << "/down/x/a.swf";
        QTest::newRow("empty folder") << ""
                                      << "/a.swf";
    }
    void targetPath() {
        QFETCH(QString, folder);
        QTEST(CacheSave::targetPath(folder, "a.swf"), "target");
    }
    void emptyNameStopsTheSave() {
        Rig r;
        frmSaveSwfto &d = r.open({kCached});
        d.ListView1->setCurrentRow(0);
        d.txtRename->clear();
        d.save();
        QCOMPARE(r.boxes, QStringList{"Please Input FileName First!"});
        QCOMPARE(r.rows(), QStringList{kCached});
        QCOMPARE(r.f.core.DownJobs.DownCount(), 0);
    }
    void failedCopyKeepsTheRow() {
        Rig r;
        frmSaveSwfto &d = r.open({kCached});
        r.select(kCached);
        d.txtSaveAs1->setText(r.f.dir.filePath("no/such/folder/"));
        d.save();
        QCOMPARE(r.boxes.size(), 1);
        QVERIFY(r.boxes.first().contains(r.f.dir.filePath("no/such/folder/cached.swf")));
        QCOMPARE(r.rows(), QStringList{kCached});
        QCOMPARE(r.f.core.DownJobs.DownCount(), 0);
        QVERIFY(!QFileInfo::exists(r.f.core.paths.JobDbPath));
    }
    void vanishedBodyAddsNoJob() {
        // The cached copy vanished between the lookup and the copy.
        EditFixture f;
        const QString target = f.folder("down") + "a.swf";
        const CacheSave::Result result = CacheSave::saveMovie(
            f.core, f.commit(), kCached, f.dir.filePath("gone.swf"), target, "Downloaded", {});
        QCOMPARE(result.job, 0);
        QVERIFY(result.message.contains(target));
        QCOMPARE(f.core.DownJobs.DownCount(), 0);
        QVERIFY(!QFileInfo::exists(target));
    }
    void missingMovieOffersDownload() {
        for (const bool yes : {true, false}) {
            Rig r;
            frmSaveSwfto &d = r.open({kMissing, kCached});
            r.select(kMissing);
            d.txtComment->setText("later");
            r.answers << yes;
            d.cmdSave->click();
            QCOMPARE(r.boxes,
                     QStringList{"Flash catoon file has not downloaded completely by IE , do you "
                                 "want to use Moorquill to download it ?"});
            QCOMPARE(r.downloads, yes ? QStringList{kMissing + " | later"} : QStringList{});
            QCOMPARE(r.rows(), QStringList{kCached}); // removed in both branches
            QCOMPARE(r.f.core.DownJobs.DownCount(), 0);
        }
    }
    void laterScanAppendsWithoutDuplicates() {
        Rig r;
        r.open({kCached, kCached});
        QCOMPARE(r.rows(), (QStringList{kCached, kCached})); // a page's own list keeps duplicates
        frmSaveSwfto *first = r.dialog;
        r.open({kMissing, kCached, kMissing, "http://b.test/c.swf"});
        QCOMPARE(r.dialog.data(), first);
        QCOMPARE(r.rows(), (QStringList{kCached, kCached, kMissing, "http://b.test/c.swf"}));
        QCOMPARE(r.f.core.scan.FoundCount, 0);
        QVERIFY(r.f.core.scan.FoundMovies.isEmpty());
        QCOMPARE(first->Label1->text(),
                 QString("Moorquill total have found 4 Flash files in Ie window."));
    }
    void browseAddsTrailingSeparator() {
        Rig r;
        frmSaveSwfto &d = r.open({kCached});
        DialogKit::setBrowseHandler([](const QString &) { return QString("/chosen/folder"); });
        d.cmdDlg1->click();
        QCOMPARE(d.txtSaveAs1->text(), QString("/chosen/folder/"));
        DialogKit::setBrowseHandler([](const QString &) { return QString(); });
        d.cmdDlg1->click();
        QCOMPARE(d.txtSaveAs1->text(), QString("/chosen/folder/"));
    }
};

QTEST_MAIN(TestFrmSaveSwfto)
#include "tst_frmsaveswfto.moc"
