#include "movies/MovieRows.h"

#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "jobs/ListTexts.h"
#include "movies/MovieLibrary.h"

namespace {
QString signatureText(const QString &signature) {
    if (signature == QLatin1String("CWS")) return QStringLiteral("CWS (zlib)");
    if (signature == QLatin1String("ZWS")) return QStringLiteral("ZWS (LZMA)");
    return signature == QLatin1String("FWS") ? QStringLiteral("FWS (plain)") : QString();
}

QString verdictText(const MovieEntry &e) {
    return e.facts.whole ? QStringLiteral("Whole") : QStringLiteral("Damaged: ") + e.facts.problem;
}
} // namespace

MovieRows::MovieRows(JobLists &lists, JobTable &jobs, MovieLibrary &library, QObject *parent)
    : QObject(parent), m_lists(lists), m_jobs(jobs), m_library(library) {
    using Col = ListRowModel::Column;
    QVector<Col> columns = lists.lvHaveDown.columns().mid(0, kFirstColumn);
    const Qt::Alignment right = Qt::AlignRight;
    columns << Col{"Signature", "Signature", Qt::AlignLeft} << Col{"Version", "Version", right}
            << Col{"Stage", "Stage", right} << Col{"FrameRate", "Frame Rate", right}
            << Col{"Frames", "Frames", right} << Col{"AS3", "AS3", Qt::AlignLeft}
            << Col{"Movie", "Movie", Qt::AlignLeft} << Col{"Copies", "Copies", right};
    lists.lvHaveDown.setColumns(columns);
    connect(&lists.lvHaveDown, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int r = first; r <= last; ++r)
                    markRow(r);
            });
    lists.completedInfoShown = [this](int job, ListRowModel &list) { showInfo(job, list); };
    connect(&library, &MovieLibrary::checked, this, &MovieRows::refresh);
    connect(&library, &MovieLibrary::copiesChanged, this, &MovieRows::refresh);
}

MovieRows::~MovieRows() {
    m_lists.completedInfoShown = nullptr;
}

void MovieRows::refresh() {
    for (int r = 0; r < m_lists.lvHaveDown.count(); ++r)
        markRow(r);
}

void MovieRows::markRow(int row) {
    ListRowModel &list = m_lists.lvHaveDown;
    const int job = ListRowModel::leadingNumber(list.row(row).key);
    if (!m_jobs.isValid(job) || !MovieLibrary::isMovie(m_jobs[job].SavePath)) return;
    const MovieEntry e = m_library.entry(m_jobs[job].SavePath);
    if (!e.checked) return;
    const MovieFacts &f = e.facts;
    const int copies = int(m_library.copiesOf(job).size());
    const QStringList values = {
        signatureText(f.signature),
        f.signature.isEmpty() ? QString() : QString::number(f.version),
        f.signature.isEmpty() ? QString() : QStringLiteral("%1 x %2").arg(f.width).arg(f.height),
        f.signature.isEmpty() ? QString() : QString::number(f.frameRate),
        f.signature.isEmpty() ? QString() : QString::number(f.frameCount),
        f.as3 ? QStringLiteral("Yes") : QStringLiteral("No"),
        verdictText(e),
        copies ? QString::number(copies) : QString()};
    for (int i = 0; i < values.size(); ++i)
        list.setSubItem(row, kFirstColumn + i, values[i]);
    list.setIconKey(row, !f.whole ? QStringLiteral("Error")
                         : copies ? QStringLiteral("Copies")
                                  : QStringLiteral("Ok"));
}

QVector<QPair<QString, QString>> MovieRows::infoRows(const MovieEntry &e,
                                                     const QStringList &copies) {
    QVector<QPair<QString, QString>> rows;
    if (!e.checked) return rows;
    const MovieFacts &f = e.facts;
    rows.append({"Movie", verdictText(e)});
    if (!f.signature.isEmpty()) {
        rows.append({"Signature", signatureText(f.signature)});
        rows.append({"Flash Version", QString::number(f.version)});
        rows.append({"Stage", QStringLiteral("%1 x %2 pixels").arg(f.width).arg(f.height)});
        rows.append({"Frame Rate", QString::number(f.frameRate) + QStringLiteral(" fps")});
        rows.append({"Frames", QString::number(f.frameCount)});
        rows.append({"ActionScript", f.as3 ? QStringLiteral("3") : QStringLiteral("1 or 2")});
        if (!f.title.isEmpty()) rows.append({"Title", f.title});
        if (!f.description.isEmpty()) rows.append({"Description", f.description});
        rows.append(
            {"Length",
             f.length == f.declaredLength
                 ? QStringLiteral("%1 bytes").arg(f.length)
                 : QStringLiteral("%1 bytes, %2 declared").arg(f.length).arg(f.declaredLength)});
    }
    if (!e.sha256.isEmpty()) rows.append({"SHA-256", e.sha256});
    if (!copies.isEmpty()) rows.append({"Copies", copies.join(QStringLiteral(", "))});
    return rows;
}

void MovieRows::showInfo(int job, ListRowModel &list) {
    if (!m_jobs.isValid(job) || !MovieLibrary::isMovie(m_jobs[job].SavePath)) return;
    QStringList copies;
    for (int other : m_library.copiesOf(job))
        copies << m_jobs[other].SavePath;
    const DownJobRecord &rec = m_jobs[job];
    for (const auto &pair : infoRows(m_library.checkedEntry(rec.SavePath, rec.Url), copies)) {
        const int r = list.addRow({}, pair.first);
        list.setSubItem(r, 1, pair.second);
    }
}
