#include "common/SwfWriter.h"
#include "common/TestFiles.h"
#include "common/TestHome.h"
#include "movies/MovieCheck.h"
#include "player/FlashPlayer.h"
#include "player/FlashThumbnailer.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <csignal>
#include <memory>
#include <optional>

// The real player: Ruffle in the web engine, under Xvfb.

class tst_FlashPlayer : public QObject {
    Q_OBJECT
private slots:
    // One player for all cases, as in the program: a new web view per case
    // would spend most of the time starting Ruffle.
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFile::exists(FlashPlayer::ruffleFolder() + "/ruffle.js"),
                 "Ruffle is not installed: run scripts/fetch-ruffle");
        m_window = std::make_unique<QWidget>();
        m_window->resize(400, 300);
        m_player = new FlashPlayer(m_window.get());
        m_player->resize(400, 300);
        m_window->show();
    }

    void cleanupTestCase() { m_window.reset(); }

    void totalFrames_data() {
        QTest::addColumn<char>("compression");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("as3");
        QTest::newRow("plain") << 'F' << 120 << false;
        QTest::newRow("zlib") << 'C' << 45 << false;
        QTest::newRow("lzma") << 'Z' << 7 << false;
        QTest::newRow("as3") << 'C' << 30 << true;
    }

    void totalFrames() {
        QFETCH(char, compression);
        QFETCH(int, frames);
        QFETCH(bool, as3);
        SwfRecipe recipe;
        recipe.compression = compression;
        recipe.frames = frames;
        recipe.actionScript3 = as3;
        recipe.version = as3 ? 10 : 6;
        loadAndWait(
            movie(QStringLiteral("t_%1_%2.swf").arg(QTest::currentDataTag()).arg(frames), recipe));
        QCOMPARE(m_player->TotalFrames(), frames);
        QCOMPARE(m_player->CanSeek(), !as3);
        QVERIFY2(m_player->lastError().isEmpty(), qPrintable(m_player->lastError()));
    }

    void frameAdvancesAndStopsOnPause() {
        SwfRecipe recipe;
        recipe.frames = 600;
        recipe.frameRate = 30;
        loadAndWait(movie("long.swf", recipe));
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > 5, 10000);
        const int seen = m_player->FrameNum();
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > seen, 5000);
        m_player->setPlaying(false);
        QVERIFY(!m_player->Playing());
        QTest::qWait(400); // the last answers from before the pause arrive
        const int paused = m_player->FrameNum();
        QTest::qWait(600);
        QCOMPARE(m_player->FrameNum(), paused);
        m_player->Play();
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > paused, 5000);
    }

    void gotoFrameLandsThere() {
        SwfRecipe recipe;
        recipe.frames = 300;
        recipe.frameRate = 30;
        loadAndWait(movie("seek.swf", recipe));
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > 1, 10000);
        m_player->setPlaying(false);
        m_player->GotoFrame(200);
        QCOMPARE(m_player->FrameNum(), 200);
        QTest::qWait(600); // several answers from the page itself
        QCOMPARE(m_player->FrameNum(), 200);
        m_player->GotoFrame(40);
        m_player->Play();
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > 45 && m_player->FrameNum() < 200, 5000);
        m_player->GotoFrame(100000); // clamped to the last frame
        QCOMPARE(m_player->FrameNum(), 300);
    }

    void damagedOrMissingChangesNothing() {
        SwfRecipe recipe;
        recipe.frames = 600;
        const QString good = movie("good.swf", recipe);
        loadAndWait(good);
        QByteArray damaged = makeSwf(recipe);
        damaged[0] = 'C'; // "compressed" bytes that are not zlib
        const QString bad = m_dir.filePath("damaged.swf");
        QVERIFY(writeFileBytes(bad, damaged));
        QVERIFY(!m_player->setMovie(bad));
        QVERIFY(!m_player->setMovie(m_dir.filePath("missing.swf")));
        QCOMPARE(m_player->Movie(), good);
        QCOMPARE(m_player->TotalFrames(), 600);
        const int frame = m_player->FrameNum();
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > frame, 5000); // still playing
    }

    void closeHidesThePlayer() {
        loadAndWait(movie("first.swf", SwfRecipe()));
        QVERIFY(m_player->setMovie(QString()));
        QVERIFY(m_player->Movie().isEmpty() && !m_player->isVisible());
        QCOMPARE(m_player->FrameNum(), 0);
    }

    // A movie plays offline with the files it loads kept beside it: relative
    // names, and addresses under the one it came from, reach those files.
    void loadsFilesBesideTheMovie() {
        QTemporaryDir dir;
        SwfRecipe blue;
        blue.background = 0x0000ff;
        blue.frames = 600;
        blue.loads = QStringList{"data.xml", "http://h.example/m/music.mp3", "level2.swf"};
        SwfRecipe red; // one frame: its square stays at the left
        red.background = red.foreground = 0xff0000;
        red.frames = 1;
        QVERIFY(writeFileBytes(dir.filePath("main.swf"), makeSwf(blue)));
        QVERIFY(writeFileBytes(dir.filePath("level2.swf"), makeSwf(red)));
        QVERIFY(writeFileBytes(dir.filePath("data.xml"), "<data/>"));
        QVERIFY(writeFileBytes(dir.filePath("music.mp3"), QByteArray(1000, '\xff')));
        MovieEntry entry = MovieCache().load(dir.filePath("main.swf"));
        entry.origin = "http://h.example/m/main.swf";
        QVERIFY(MovieCache().store(MovieCheck::run(entry, false)));
        loadAndWait(dir.filePath("main.swf"));
        const QStringList wanted{"data.xml", "level2.swf", "music.mp3"};
        QTRY_COMPARE_WITH_TIMEOUT(sorted(m_player->servedFiles()), wanted, 10000);
        // level2.swf replaces the movie: its red square stands at the left.
        QTRY_VERIFY_WITH_TIMEOUT(stageColour(0.1, 0.5).red() > 200, 10000);
    }

    // Pictures of a red and a blue movie, made offscreen, are red and blue;
    // `mq thumb` makes the same with the library loaded as the program does.
    void thumbnailsShowTheMovie() {
        FlashThumbnailer thumbnailer;
        for (const quint32 colour : {0xff0000u, 0x0000ffu}) {
            SwfRecipe r;
            r.background = colour;
            const QString png = m_dir.filePath(QStringLiteral("%1.png").arg(colour));
            std::optional<bool> ok;
            thumbnailer.render(movie(QStringLiteral("%1.swf").arg(colour), r), png, 15000,
                               [&](bool done) { ok = done; });
            QTRY_VERIFY_WITH_TIMEOUT(ok.has_value(), 30000);
            QVERIFY(*ok);
            const QImage image(png);
            QVERIFY(image.width() <= MovieThumbnailer::kWidth && image.width() > 100);
            QCOMPARE(image.pixelColor(2, 2).rgb() & 0xffffff, colour);
        }
        std::optional<bool> refused;
        thumbnailer.render(m_dir.filePath("missing.swf"), m_dir.filePath("no.png"), 5000,
                           [&](bool done) { refused = done; });
        QCOMPARE(refused, std::optional<bool>(false));

        QProcess mq;
        mq.start(qEnvironmentVariable("MQ_BINARY_DIR") + "/src/app/mq/mq",
                 {"thumb", m_dir.filePath("255.swf"), m_dir.filePath("mq.png")});
        QVERIFY(mq.waitForFinished(50000));
        QCOMPARE(mq.exitCode(), 0);
        QCOMPARE(QImage(m_dir.filePath("mq.png")).pixelColor(2, 2).rgb() & 0xffffff, 0x0000ffu);
    }

    void crashedRenderProcessIsReplaced() {
        SwfRecipe recipe;
        recipe.frames = 100;
        loadAndWait(movie("crash.swf", recipe));
        auto *view = m_player->findChild<QWebEngineView *>("flashView");
        QVERIFY(view);
        const qint64 pid = view->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QPointer<QWebEngineView> watched(view);
        ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(watched.isNull(), 10000);
        recipe.frames = 50;
        loadAndWait(movie("after.swf", recipe));
        QCOMPARE(m_player->TotalFrames(), 50);
        QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameNum() > 1, 10000);
    }

private:
    // The colour the player draws now at a point (fractions of the stage).
    QColor stageColour(double x, double y) {
        auto colour = std::make_shared<std::optional<QColor>>();
        m_player->snapshot([colour, x, y](const QImage &image) {
            *colour = image.isNull()
                          ? QColor()
                          : image.pixelColor(int(x * image.width()), int(y * image.height()));
        });
        for (int i = 0; i < 100 && !*colour; ++i)
            QTest::qWait(20);
        return colour->value_or(QColor());
    }
    static QStringList sorted(QStringList list) {
        list.sort();
        return list;
    }
    QString movie(const QString &name, const SwfRecipe &recipe);
    void loadAndWait(const QString &path);
    TestHome m_home;
    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_window;
    FlashPlayer *m_player = nullptr;
};

QString tst_FlashPlayer::movie(const QString &name, const SwfRecipe &recipe) {
    const QString path = m_dir.filePath(name);
    if (!QFile::exists(path)) writeFileBytes(path, makeSwf(recipe));
    return path;
}

void tst_FlashPlayer::loadAndWait(const QString &path) {
    QVERIFY(m_player->setMovie(path));
    QTRY_VERIFY_WITH_TIMEOUT(m_player->FrameShown(), 20000);
}

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsSet("MQ_RUFFLE_DIR"))
        qputenv("MQ_RUFFLE_DIR", qgetenv("MQ_BINARY_DIR") + "/src/app/moorquill/ruffle");
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    tst_FlashPlayer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_flashplayer.moc"
