// Answers as servers send them: chunked bodies split anywhere, content
// codings undone, damaged or hostile bodies refused with bounded work; and
// downloads of such answers through the engine.
#include "EngineRig.h"
#include "browser/CacheEntryWriter.h"
#include "common/TestRows.h"
#include "engine/HttpAnswer.h"

#include <QtTest>

namespace {
QByteArray deflated(const QByteArray &data, int windowBits) {
    return CacheEntryWriter::zlibCompress(data, windowBits);
}

QByteArray encoded(const QByteArray &data, const QByteArray &coding) {
    if (coding == "gzip") return deflated(data, 31);
    if (coding == "deflate") return deflated(data, 15);
    if (coding == "raw deflate") return deflated(data, -15);
    if (coding == "br") return CacheEntryWriter::brotliCompress(data);
    return data;
}

// `body` in chunks of 1, 2, 3, ... bytes, sizes in hex with an extension now and then.
QByteArray chunkedWire(const QByteArray &body) {
    QByteArray wire;
    for (qsizetype at = 0, n = 1; at < body.size(); at += n, n = n * 3 + 1) {
        const QByteArray piece = body.mid(at, n);
        wire +=
            QByteArray::number(piece.size(), 16) + (n % 2 ? ";x=1" : "") + "\r\n" + piece + "\r\n";
    }
    return wire + "0\r\nX-Trailer: 1\r\n\r\n";
}

struct Fed {
    QByteArray body;
    bool ok = true;
    QString error;
    bool complete = false;
};

// The answer `header` + `wire`, fed in pieces of `piece` bytes.
Fed feed(const QByteArray &header, const QByteArray &wire, qsizetype piece,
         qint64 cap = std::numeric_limits<qint64>::max()) {
    HttpAnswer answer;
    Fed fed;
    const QByteArray all = header + wire;
    QByteArray rest;
    qsizetype at = 0;
    for (; at < all.size() && answer.headerPending(); at += piece)
        answer.collect(all.constData() + at, qMin(piece, all.size() - at), false, &rest);
    if (!answer.startBody(true)) return {{}, false, answer.error(), false};
    const auto sink = [&fed, cap](const char *data, qint64 n) {
        fed.body.append(data, qsizetype(n));
        return fed.body.size() < cap;
    };
    fed.ok = answer.body(rest.constData(), rest.size(), sink);
    for (; fed.ok && at < all.size(); at += piece)
        fed.ok = answer.body(all.constData() + at, qMin(piece, all.size() - at), sink);
    fed.error = answer.error();
    fed.complete = answer.complete();
    return fed;
}
} // namespace

class tst_HttpAnswer : public QObject {
    Q_OBJECT
private slots:
    void codings_data() {
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<bool>("chunked");
        QTest::addColumn<int>("piece");
        for (const char *coding : {"identity", "gzip", "deflate", "raw deflate", "br"})
            for (const bool chunked : {false, true})
                for (const int piece : {1, 997})
                    QTest::addRow("%s%s, reads of %d", coding, chunked ? ", chunked" : "", piece)
                        << QByteArray(coding) << chunked << piece;
    }

    void codings() {
        QFETCH(QByteArray, coding);
        QFETCH(bool, chunked);
        QFETCH(int, piece);
        const QByteArray page =
            QByteArray("<embed src=\"m.swf\">").repeated(piece == 1 ? 40 : 9000);
        QByteArray header = "HTTP/1.1 200 OK\r\nContent-Encoding: " +
                            (coding == "raw deflate" ? QByteArray("deflate") : coding) + "\r\n";
        if (chunked) header += "Transfer-Encoding: chunked\r\n";
        QByteArray wire = encoded(page, coding);
        if (chunked) wire = chunkedWire(wire);
        const Fed fed = feed(header + "\r\n", wire, piece);
        QVERIFY2(fed.ok, qPrintable(fed.error));
        QCOMPARE(fed.body, page);
        QCOMPARE(fed.complete, chunked || coding != "identity");
    }

    void damaged_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("error");
        const QByteArray chunked = "Transfer-Encoding: chunked\r\n";
        const auto bytes = [](const char *text) { return QByteArray(text); };
        row("huge chunk size", chunked, bytes("ffffffffffffffff\r\nabc"), "a chunk is too large");
        row("garbage size line", chunked, bytes("<html>\r\n"), "a chunk size line is not a size");
        row("empty size line", chunked, bytes("\r\n5\r\n"), "not a size");
        row("endless extension", chunked, "5;" + QByteArray(8000, 'x'),
            "a chunk size line is too long");
        row("chunk longer than its size", chunked, bytes("3\r\nabcdef\r\n"),
            "longer than its size");
        row("endless trailer", chunked, "0\r\n" + QByteArray(100000, 'x'),
            "the trailer is too long");
        row("not gzip", bytes("Content-Encoding: gzip\r\n"), bytes("plain text, not gzip"),
            "damaged compressed");
        row("unknown coding", bytes("Content-Encoding: compress\r\n"), bytes("x"),
            "cannot be decoded: compress");
    }

    void damaged() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, wire);
        QFETCH(QString, error);
        for (const qsizetype piece : {qsizetype(1), wire.size()}) {
            const Fed fed = feed("HTTP/1.1 200 OK\r\n" + header + "\r\n", wire, piece);
            QVERIFY(!fed.ok);
            QVERIFY2(fed.error.contains(error), qPrintable(fed.error));
        }
    }

    // 1 GiB of zeros in 1 MiB of gzip: decoding stops at the reader's cut,
    // in steps of bounded size.
    void gzipBomb_stopsAtTheCut() {
        const QByteArray member = deflated(QByteArray(1 << 20, '\0'), 31);
        const QByteArray bomb = member.repeated(1024);
        QVERIFY(bomb.size() < 2 * 1024 * 1024);
        constexpr qint64 kCut = 64 * 1024 * 1024;
        const Fed fed =
            feed("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n", bomb, 512 * 1024, kCut);
        QVERIFY(!fed.ok);
        QVERIFY(fed.error.isEmpty());
        QVERIFY(fed.body.size() >= kCut && fed.body.size() <= kCut + HttpAnswer::kStep);
    }

    // Downloads of chunked and coded answers: saved decoded, by one
    // connection; damaged framing ends the job with the reason.
    void download_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("error");
        const QByteArray movie = FaultHttpServer::pattern(300000);
        QTest::newRow("gzip, chunked")
            << QByteArray("Transfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n")
            << chunkedWire(deflated(movie, 31)) << QString();
        QTest::newRow("huge chunk") << QByteArray("Transfer-Encoding: chunked\r\n")
                                    << QByteArray("ffffffffffffffff\r\n") + movie
                                    << "The server sent a damaged chunked body: a chunk is too "
                                       "large.";
    }

    void download() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, wire);
        QFETCH(QString, error);
        EngineRig rig;
        rig.server.resource("/m.swf").raw = "HTTP/1.1 200 OK\r\n" + header + "\r\n" + wire;
        const int index = rig.run(rig.url("/m.swf"), 5);
        if (!error.isEmpty()) {
            QCOMPARE(rig.job(index).State, qint32(StateError));
            QCOMPARE(rig.reports.last().text, error);
            return;
        }
        VERIFY_COMPLETE(rig, index, FaultHttpServer::pattern(300000));
        QCOMPARE(rig.server.requests.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_HttpAnswer)
#include "tst_httpanswer.moc"
