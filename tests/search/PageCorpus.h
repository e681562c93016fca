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
    return QFINDTESTDATA("pages");
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

} // namespace PageCorpus
