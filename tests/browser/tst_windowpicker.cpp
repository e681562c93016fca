// The window picker dragged by real pointer input (the X test extension) over
// windows of the test's own that look like browser windows, with a scan
// channel that answers when the test says so.
#include "browser/WindowHighlight.h"
#include "browser/WindowPicker.h"
#include "browser/frmDragMessage.h"
#include "common/X11TestDisplay.h"
#include "session/AppCore.h"

#include <QLabel>
#include <QtTest>
#include <map>

namespace {
// Pages by window title; every request is kept so the test can count them
// and answer them in any order.
struct FakeChannel : ScanChannel {
    struct Request {
        ScanTarget target;
        Reply reply;
    };
    std::map<QString, std::optional<PageScanResult>> pages;
    QList<Request> requests;
    bool answerAtOnce = true;

    void requestScan(const ScanTarget &target, Reply reply) override {
        requests.append({target, reply});
        if (answerAtOnce) answer(int(requests.size()) - 1);
    }
    void answer(int i) {
        const auto page = pages.find(requests[i].target.title);
        requests[i].reply(page == pages.end() ? std::nullopt : page->second);
    }
};

PageScanResult page(const QString &url, int movies) {
    PageScanResult result{url, {}};
    for (int i = 0; i < movies; ++i)
        result.elements.append({"EMBED", {}, QString("m%1.swf").arg(i), "<embed>"});
    return result;
}

QString report(int movies) {
    return QString("Moorquill have found %1 Flash files in this IE window.").arg(movies);
}

// Where the test windows are (screen 1280x1024), and what they say they are.
const QRect kChromium(300, 100, 300, 200), kChromium2(700, 100, 300, 200),
    kXterm(300, 500, 300, 200);
} // namespace

class TestWindowPicker : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!m_x.ok()) QSKIP("no X11 display");
        const auto add = [this](const QRect &r, const QByteArray &wmClass, const char *title,
                                quint32 pid) {
            m_x.browserProperties(m_x.window(m_x.root, r.x(), r.y(), r.width(), r.height()),
                                  wmClass, title, pid);
        };
        add(kChromium, QByteArray("chromium\0Chromium\0", 18), "Movies - Chromium", 4242);
        add(kChromium2, QByteArray("chromium\0chromium\0", 18), "Other - Chromium", 4243);
        add(kXterm, QByteArray("xterm\0XTerm\0", 12), "Movies - Chromium", 99);
        m_x.sync();
    }
    void init() {
        m_saved = -1;
        m_core.scan.FoundCount = 0;
        m_core.scan.FoundMovies.clear();
        m_channel = new FakeChannel;
        m_top = new QWidget(nullptr, Qt::FramelessWindowHint);
        m_top->setGeometry(20, 20, 120, 60);
        m_image2 = picture(Qt::green);
        m_image2->setGeometry(0, 0, 60, 60);
        m_image2->show();
        m_image3 = picture(Qt::green);
        m_image4 = picture(Qt::red);
        m_top->show();
        m_main = new QWidget;
        m_main->setGeometry(20, 900, 100, 60);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_top));
        m_picker = new WindowPicker(m_image2, m_core.scan);
        QVERIFY(m_picker->isAvailable());
        m_picker->setPictures(m_image3, m_image4);
        m_picker->setMainWindow(m_main, &m_saved);
        m_picker->setScanChannel(m_channel);
    }
    void cleanup() {
        m_x.button(false);
        delete m_picker;
        delete m_top;
        delete m_main;
        delete m_channel;
    }
    void dropOnPage_data() {
        QTest::addColumn<std::optional<PageScanResult>>("page");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QString>("report"); // empty: no message
        QTest::addColumn<int>("found");
        QTest::newRow("two movies")
            << std::optional(page("http://a.test/x/p.html", 2)) << false << report(2) << 2;
        QTest::newRow("https, maximized main window")
            << std::optional(page("https://a.test/p", 1)) << true << report(1) << 1;
        QTest::newRow("no movies") << std::optional(page("http://a.test/", 0)) << true
                                   << "No Flash file in this IE window." << 0;
        QTest::newRow("local file")
            << std::optional(page("file:///tmp/p.html", 2)) << false << QString() << 0;
        QTest::newRow("page unknown") << std::optional<PageScanResult>() << true << QString() << 0;
    }
    void dropOnPage() {
        QFETCH(std::optional<PageScanResult>, page);
        QFETCH(bool, maximized);
        QFETCH(QString, report);
        QFETCH(int, found);
        m_channel->pages["Movies - Chromium"] = page;
        if (maximized) m_main->showMaximized();
        QSignalSpy handOver(m_picker, &WindowPicker::handOver);

        pressOnPicker();
        QCOMPARE(m_saved, maximized ? 2 : 0);
        QVERIFY(scanAt(kChromium, 1));
        const ScanTarget target = m_channel->requests[0].target;
        QCOMPARE(target.pid, 4242);
        QCOMPARE(target.wmClass, QString("Chromium"));
        QCOMPARE(target.title, QString("Movies - Chromium"));
        frmDragMessage *message = m_picker->dragMessage();
        QCOMPARE(message->isVisible(), !report.isEmpty());
        QCOMPARE(m_picker->highlight()->isVisible(), !report.isEmpty());
        if (!report.isEmpty()) {
            QCOMPARE(message->Label1->text(), report);
            QCOMPARE(message->pos(), kChromium.center() + QPoint(16, 16));
            QCOMPARE(m_picker->highlight()->geometry(), kChromium);
        }
        QCOMPARE(m_core.scan.FoundCount, found);
        QCOMPARE(int(m_core.scan.FoundMovies.size()), found);

        release();
        QCOMPARE(handOver.size(), found > 0 ? 1 : 0);
        QCOMPARE(m_main->isMaximized(), maximized);
        QVERIFY(!m_main->isMinimized());
    }
    void rescansOnlyAfterLeaving() {
        m_channel->pages["Movies - Chromium"] = page("http://a.test/", 2);
        pressOnPicker();
        QVERIFY(scanAt(kChromium, 1));
        frmDragMessage *message = m_picker->dragMessage();
        QVERIFY(message->isVisible());
        // Within the window, even on its outline (which lets the pointer
        // through): the message follows, no second scan.
        const QPoint inside = kChromium.topLeft() + QPoint(1, 1);
        moveTo(inside);
        QTRY_COMPARE(message->pos(), inside + QPoint(16, 16));
        QCOMPARE(m_channel->requests.size(), 1);
        QVERIFY(message->isVisible());
        QVERIFY(m_picker->highlight()->isVisible());
        // Over a window that is no browser (whatever its title): the message goes.
        moveTo(kXterm.center());
        QTRY_VERIFY(!message->isVisible());
        QVERIFY(!m_picker->highlight()->isVisible());
        QCOMPARE(m_channel->requests.size(), 1);
        QCOMPARE(m_core.scan.FoundCount, 2); // the last page's list still waits
        // Back: scanned again.
        QVERIFY(scanAt(kChromium, 2));
        QVERIFY(message->isVisible());
        release();
    }
    void staleAnswersIgnored() {
        m_channel->answerAtOnce = false;
        m_channel->pages["Movies - Chromium"] = page("http://a.test/", 2);
        m_channel->pages["Other - Chromium"] = page("http://b.test/", 5);
        pressOnPicker();
        QVERIFY(scanAt(kChromium, 1));
        QVERIFY(scanAt(kChromium2, 2));
        QCOMPARE(m_channel->requests[1].target.pid, 4243);
        m_channel->answer(0); // the first window answers after the pointer left it
        QCOMPARE(m_core.scan.FoundCount, 0);
        QVERIFY(!m_picker->dragMessage()->isVisible());
        QVERIFY(!m_picker->highlight()->isVisible());
        // Back to the first window: its old answer arrives again and is dropped,
        // the new one counts.
        QVERIFY(scanAt(kChromium, 3));
        m_channel->answer(1);
        m_channel->answer(0);
        QCOMPARE(m_core.scan.FoundCount, 0);
        m_channel->answer(2);
        QCOMPARE(m_core.scan.FoundCount, 2);
        QCOMPARE(m_picker->dragMessage()->Label1->text(), report(2));
        QCOMPARE(m_picker->highlight()->geometry(), kChromium);
        m_channel->answer(2); // answered twice: no harm
        QCOMPARE(m_core.scan.FoundCount, 2);
        release();
    }
    void dropWaitsForOutstandingScan() {
        m_channel->answerAtOnce = false;
        m_channel->pages["Movies - Chromium"] = page("http://a.test/", 2);
        QSignalSpy handOver(m_picker, &WindowPicker::handOver);
        // Dropped before the page answers: the list follows with the answer.
        pressOnPicker();
        QVERIFY(scanAt(kChromium, 1));
        release();
        QCOMPARE(handOver.size(), 0);
        m_channel->answer(0);
        QCOMPARE(handOver.size(), 1);
        QCOMPARE(m_core.scan.FoundCount, 2);
        QVERIFY(!m_picker->dragMessage()->isVisible()); // the drag is over
        QVERIFY(!m_picker->highlight()->isVisible());

        // A page that never answers: the drop ends at the deadline, with no list.
        m_core.scan.FoundCount = 0;
        pressOnPicker();
        QVERIFY(scanAt(kChromium2, 2));
        QVERIFY(scanAt(kChromium, 3));
        release();
        QVERIFY(m_picker->dropWaiting());
        m_picker->setScanTimeout(50); // restarts the running deadline
        QTRY_VERIFY(!m_picker->dropWaiting());
        m_channel->answer(2); // too late
        QCOMPARE(handOver.size(), 1);
        QCOMPARE(m_core.scan.FoundCount, 0);
    }
    void inertWithoutX11() {
        QLabel image2;
        WindowPicker picker(&image2, m_core.scan, std::make_unique<X11Windows>(":4711"));
        QVERIFY(!picker.isAvailable());
        QVERIFY(image2.toolTip().contains("\"Scan this page for Flash movies\""));
        picker.setMainWindow(m_main, &m_saved);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&image2, &press);
        QVERIFY(!m_main->isMinimized());
        QCOMPARE(m_saved, -1);
    }

private:
    void pressOnPicker() {
        moveTo(m_image2->mapToGlobal(QPoint(30, 30)));
        m_x.button(true);
        QTRY_VERIFY(m_main->isMinimized());
        QCOMPARE(m_image2->pixmap().toImage(), m_image4->pixmap().toImage());
        QCOMPARE(m_image2->cursor().shape(), Qt::CrossCursor);
    }
    // Moves the pointer with the button held; the caller waits for what the move
    // must cause (motion events may be merged, so one observable per move).
    void moveTo(const QPoint &at) { m_x.motion(at.x(), at.y()); }
    // Onto a window's centre, until the channel has seen `requests` scans.
    bool scanAt(const QRect &window, int requests) {
        moveTo(window.center());
        return QTest::qWaitFor([&] { return m_channel->requests.size() == requests; });
    }
    QLabel *picture(Qt::GlobalColor color) {
        QPixmap picture(32, 32);
        picture.fill(color);
        auto *label = new QLabel(m_top);
        label->setPixmap(picture);
        label->hide();
        return label;
    }
    void release() {
        m_x.button(false);
        QTRY_COMPARE(m_image2->pixmap().toImage(), m_image3->pixmap().toImage());
        QCOMPARE(m_image2->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!m_picker->dragMessage()->isVisible());
        QVERIFY(!m_picker->highlight()->isVisible());
    }

    X11TestDisplay m_x;
    AppCore m_core;
    FakeChannel *m_channel = nullptr;
    QWidget *m_top = nullptr, *m_main = nullptr;
    QLabel *m_image2 = nullptr, *m_image3 = nullptr, *m_image4 = nullptr;
    WindowPicker *m_picker = nullptr;
    int m_saved = -1;
};

QTEST_MAIN(TestWindowPicker)
#include "tst_windowpicker.moc"
