// B8: inputs that must be taken in linear time, each at a size N and at N/10
// in the same run (ratio about 10; quadratic work gives about 100): the
// new-job dialog's batch list and page links made into jobs, a hand-off
// text of near-misses, and a page of endless character references.
#include "base/AppPaths.h"
#include "browser/HandOffText.h"
#include "dialogs/frmNewDown1.h"
#include "jobs/CategoryTree.h"
#include "kit/MsgBox.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "session/AppCore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Median milliseconds of `runs` calls of `work(n)`.
double medianMs(int runs, int n, const std::function<void(int)> &work) {
    QVector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work(n);
        ms << clock.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void report(const char *what, int runs, int n, const std::function<void(int)> &work) {
    const double big = medianMs(runs, n, work), small = medianMs(runs, n / 10, work);
    std::printf("  %-34s N=%7d: %9.1f ms   N/10: %8.1f ms   ratio %.1f\n", what, n, big, small,
                small > 0 ? big / small : 0.0);
    std::fflush(stdout);
}

// The new-job dialog over a fresh folder, OK pressed after `fill`.
void dialogRun(int mode, const std::function<void(frmNewDown1 &)> &fill) {
    QTemporaryDir home;
    AppCore core;
    core.paths = AppPaths::forFolder(home.path());
    core.paths.DownloadFolder = home.filePath("down") + '/';
    AddFixedNodes(core.tree, core.paths.DownloadFolder);
    frmNewDown1 d(core, mode);
    d.show();
    fill(d);
    d.cmdNewJobOk->click();
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MsgBox::setHandler([](MsgBox::Kind, const QString &) { return false; });
    const int runs = qMax(1, qEnvironmentVariableIntValue("RUNS"));
    std::printf("B8: linear-time inputs (median of %d runs, N against N/10)\n", runs);
    report("batch list: generate and add", runs, 30000, [](int n) {
        dialogRun(3, [n](frmNewDown1 &d) {
            d.txtBatUrl->setText("http://h/f*.swf?v=*");
            d.txtN1->setText("0");
            d.txtN2->setText(QString::number(n - 1));
            d.cmdCreateUrl->click();
        });
    });
    report("page links: list and add", runs, 30000, [](int n) {
        dialogRun(4, [n](frmNewDown1 &d) {
            QVector<NewJobRules::LinkEntry> links;
            for (int i = 0; i < n; ++i)
                links.append({QStringLiteral("http://h/f%1.swf").arg(i), {}});
            d.setLinks(links);
        });
    });
    report("hand-off text of near-misses", runs, 1 << 20, [](int n) {
        QString text = QStringLiteral("all");
        while (text.size() < n)
            text += QStringLiteral("my_qtr_Url||**QTRVAN*|my_qtr_Ref:||**QTRVAN**||");
        text += QStringLiteral("my_qtr_Url:=") + QString(n, QLatin1Char('|'));
        if (HandOffText::parse(text).mode != 4) std::fprintf(stderr, "bench: parse failed\n");
    });
    report("page of character references", runs, 250000, [](int n) {
        const QByteArray page = "<embed type=application/x-shockwave-flash src=\"" +
                                QByteArray("&#99999999999;&amp").repeated(n) + "\">";
        PageScan::scanAll(PageText::Decode(page), QUrl("http://h/p.html"));
    });
    return 0;
}
