#pragma once

#include "common/FaultHttpServer.h"
#include "engine/JobLog.h"
#include "search/NewSearch.h"
#include "search/SearchSlot.h"
#include "search/clsDownHtml.h"
#include "session/AppCore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// An application core with the search slot, a page server and every report
// of the slot recorded, for the page search tests.
struct SearchRig {
    struct Report {
        int index;
        QString type;
        QString info;
    };

    QTemporaryDir dir;
    AppCore core;
    JobLog log;
    FaultHttpServer server;
    std::unique_ptr<SearchSlot> slot;
    QList<Report> reports;
    std::unique_ptr<QSignalSpy> ended;

    SearchRig() {
        slot = std::make_unique<SearchSlot>(core.search(), core.view, log);
        QObject::connect(slot.get(), &SearchSlot::Reported, slot.get(),
                         [this](int index, const QString &type, const QString &info) {
                             reports.append({index, type, info});
                         });
        ended = std::make_unique<QSignalSpy>(slot.get(), &SearchSlot::SearchEnded);
    }

    // Serves `body` at `path`; the resource, to change before the next one is set.
    FaultHttpServer::Resource &page(const QString &path, const QByteArray &body) {
        FaultHttpServer::Resource r;
        r.body = body;
        server.setResource(path, r);
        return server.resource(path);
    }

    QString url(const QString &path) const { return server.url(path); }
    // A search of `url`, through the proxy at 127.0.0.1:`proxyPort` unless 0.
    int add(const QString &url, int depth = 0, bool manual = false, quint16 proxyPort = 0) {
        NewSearchValues v;
        v.useProxy = proxyPort != 0;
        v.proxyHost = QStringLiteral("127.0.0.1");
        v.proxyPort = proxyPort;
        v.url = url;
        v.depth = qint16(depth);
        v.manual = manual;
        v.categoryKey = QStringLiteral("Flash");
        v.saveFolder = dir.path();
        v.parts = 3;
        v.userAgent = QStringLiteral("UA");
        return AddNewSearch(core.SearchJobs, *slot, v);
    }

    int addJob(const QString &url, const QString &category, int state) {
        DownJobRecord rec;
        rec.Url = url;
        rec.CategoryKey = category;
        rec.State = state;
        return core.DownJobs.add(rec);
    }

    // Waits until no search runs or waits.
    bool waitIdle(int timeoutMs = 10000) {
        return QTest::qWaitFor([this] { return !slot->HasWork(); }, timeoutMs);
    }

    // The types reported for a search, runs of "DataArrival" made one.
    QStringList types(int index) const {
        QStringList out;
        for (const Report &r : reports)
            if (r.index == index &&
                !(r.type == QLatin1String("DataArrival") && !out.isEmpty() && out.last() == r.type))
                out << r.type;
        return out;
    }

    int rowOf(int index) const { return core.lists.lvDownHtml.rowOfKey(SearchSlot::RowKey(index)); }
    // Sub-items 1..9 of a search's row.
    QStringList columns(int index) const {
        QStringList out;
        const int row = rowOf(index);
        for (int c = 1; c <= 9 && row >= 0; ++c)
            out << core.lists.lvDownHtml.subItem(row, c);
        return out;
    }
    QString icon(int index) const {
        const int row = rowOf(index);
        return row < 0 ? QString() : core.lists.lvDownHtml.row(row).iconKey;
    }
    QStringList logOf(int index) const {
        QStringList out;
        const int row = rowOf(index);
        if (row < 0) return out;
        for (const JobLogRow &line : log.LookSearchLogLv(core.lists.lvDownHtml.row(row).tag, 0, 0))
            out << line.text;
        return out;
    }
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(server.port()); }
};
