#pragma once

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTest>

// The pages of tests/search/pages and what a person expects from each
// (expected.tsv): "movie" or "frame", the address and the file name.
namespace PageCorpus {

inline QString folder() {
#ifdef MQ_PAGE_CORPUS
    return QStringLiteral(MQ_PAGE_CORPUS); // a test outside tests/search
#else
    return QFINDTESTDATA("pages");
#endif
}

inline QStringList pages() {
    return QDir(folder()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

inline QByteArray bytes(const QString &page) {
    QFile f(folder() + QLatin1Char('/') + page);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rows of one page as "kind address name", "$" replaced by `site`.
inline QStringList expected(const QString &page, const QString &site) {
    QStringList rows;
    const QString table = QString::fromUtf8(bytes(QStringLiteral("expected.tsv")));
    for (const QString &line : table.split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() == 4 && f[0] == page)
            rows << f[1] + QLatin1Char(' ') + QString(f[2]).replace(QLatin1Char('$'), site) +
                        QLatin1Char(' ') + f[3];
    }
    return rows;
}

// What a search of `page` at `site` lists: each movie of the page and of the
// pages its frames show, as "address<TAB>folder/name".
inline QStringList searchLines(const QString &page, const QString &site, const QString &folder) {
    QStringList lines, queue{page}, seen;
    while (!queue.isEmpty()) {
        const QString next = queue.takeFirst();
        seen << next;
        for (const QString &row : expected(next, site)) {
            const QStringList f = row.split(QLatin1Char(' '));
            if (f[0] == QLatin1String("movie"))
                lines << f[1] + QLatin1Char('\t') + folder + QLatin1Char('/') +
                             row.section(QLatin1Char(' '), 2);
            else if (!seen.contains(f[1].mid(site.size())))
                queue << f[1].mid(site.size());
        }
    }
    return lines;
}

} // namespace PageCorpus
