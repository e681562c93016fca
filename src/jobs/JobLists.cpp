#include "jobs/JobLists.h"

#include "jobs/JobTable.h"
#include "jobs/ListTexts.h"

namespace {
using Col = ListRowModel::Column;
constexpr Qt::Alignment kRight = Qt::AlignRight;

QVector<Col> twoColumns(const QString &first, const QString &second, const QString &firstKey = {}) {
    return {Col{firstKey, first, Qt::AlignLeft}, Col{{}, second, Qt::AlignLeft}};
}

void addPairs(ListRowModel &list, const QVector<QPair<QString, QString>> &pairs) {
    for (const auto &pair : pairs) {
        const int r = list.addRow({}, pair.first);
        list.setSubItem(r, 1, pair.second);
    }
}
} // namespace

JobLists::JobLists(JobTable &jobs, ListRowModel &nowDown) : lvNowDown(nowDown), m_jobs(jobs) {
    lvNowDown.setColumns({{"State", "", Qt::AlignLeft},
                          {"FileName", "File Name", Qt::AlignLeft},
                          {"FileSize", "Size", kRight},
                          {"Complete", "Complete", kRight},
                          {"Percent", "Percent", kRight},
                          {"Part", "Part", Qt::AlignHCenter},
                          {"Url", "Url", Qt::AlignLeft},
                          {"Comment", "Comment", Qt::AlignLeft}});
    lvHaveDown.setColumns({{{}, "File Name", Qt::AlignLeft},
                           {{}, "Size", kRight},
                           {{}, "Local Path", Qt::AlignLeft},
                           {{}, "URL", Qt::AlignLeft}});
    lvDownHtml.setColumns({{"Pic", "", Qt::AlignLeft},
                           {"State", "State", Qt::AlignLeft},
                           {"FileName", "FileName", Qt::AlignLeft},
                           {"Size", "Size", kRight},
                           {"Complete", "Complete", kRight},
                           {"Percent", "Percent", kRight},
                           {"Links", "Links", Qt::AlignLeft},
                           {"Valid Links", "Valid Links", Qt::AlignLeft},
                           {"Include Flash", "Include Flash", Qt::AlignLeft},
                           {"Url", "Url", Qt::AlignLeft}});
    lvHaveDownInfo.setColumns(twoColumns("Parameter", "Value", "Name"));
    lvResponse[0].setColumns(twoColumns("Parameter", "Value"));
    lvResponse[1].setColumns(twoColumns("Date Time", "Infomation"));
    lvHaveDownHtml.setColumns(twoColumns("Date Time", "Infomation"));
    tvNowDown.setColumns({Col{{}, {}, Qt::AlignLeft}});
}

QString JobLists::stateIconKey(int state) {
    switch (state) {
    case 1:
        return QStringLiteral("Start");
    case 2:
        return QStringLiteral("Pause");
    case 3:
        return QStringLiteral("Waitfor");
    case 5:
        return QStringLiteral("Error");
    default:
        return {};
    }
}

void JobLists::SetStateIcon(int row, int state) {
    const QString key = stateIconKey(state);
    if (!key.isEmpty()) lvNowDown.setIconKey(row, key); // out-of-range rows are ignored
}

void JobLists::SetStateIcon(const QString &rowKey, int state) {
    const int row = lvNowDown.rowOfKey(rowKey);
    if (row >= 0) SetStateIcon(row, state);
}

void JobLists::AddJobToList(int job) {
    if (!m_jobs.isValid(job)) return;
    const DownJobRecord &rec = m_jobs[job];
    const int row = lvNowDown.addRow(nowDownKey(job));
    if (row < 0) return;
    SetStateIcon(row, rec.State);
    lvNowDown.setSubItem(row, 1, rec.FileName);
    lvNowDown.setSubItem(row, 2, QString::number(rec.TotalSize));
    lvNowDown.setSubItem(row, 3, QString::number(rec.Received));
    lvNowDown.setSubItem(row, 4, ListTexts::percent(rec.Received, rec.TotalSize));
    lvNowDown.setSubItem(row, 5, QString::number(rec.Parts));
    lvNowDown.setSubItem(row, 6, rec.Url);
    lvNowDown.setSubItem(row, 7, rec.Comment);
    if (jobListed) jobListed(job);
    if (rec.State == StateWaiting && startRule) startRule(job, row);
}

void JobLists::ListUnfinishedJobs() {
    for (int i = 1; i <= m_jobs.DownCount(); ++i)
        if (m_jobs[i].State != StateComplete) AddJobToList(i);
}

void JobLists::FillCompletedList(const QString &key, int historyDays, double now) {
    lvHaveDown.clear();
    for (int i = 1; i <= m_jobs.DownCount(); ++i) {
        const DownJobRecord &rec = m_jobs[i];
        if (rec.State != StateComplete) continue;
        if (historyDays != 0) {
            // Jobs deleted for good stay in the table until the next save; no list shows them.
            if (rec.CategoryKey == QLatin1String("Recely_Really") ||
                ListTexts::dayBoundaries(rec.CreateTime, now) >= historyDays)
                continue;
        } else if (rec.CategoryKey != key) {
            continue;
        }
        const int r = lvHaveDown.addRow(haveDownKey(i), ListTexts::fileNamePart(rec.SavePath),
                                        QStringLiteral("Ok"));
        lvHaveDown.setSubItem(r, 1, QString::number(rec.TotalSize));
        lvHaveDown.setSubItem(r, 2, rec.SavePath);
        lvHaveDown.setSubItem(r, 3, rec.Url);
        lvHaveDown.setTag(r, QString::number(i));
    }
}

void JobLists::ShowCompletedInfo(int job) {
    lvHaveDownInfo.clear();
    if (!m_jobs.isValid(job)) return;
    const DownJobRecord &rec = m_jobs[job];
    addPairs(lvHaveDownInfo, {{"Create Time", ListTexts::generalDate(rec.CreateTime)},
                              {"Complete Time", ListTexts::generalDate(rec.CompleteTime)},
                              {"Total Time", ListTexts::shortTime(rec.TotalTime)},
                              {"Average Speed", ListTexts::bytesPerSecond(rec.AverageSpeed)},
                              {"Total Size", QString::number(rec.TotalSize)},
                              {"Complete Size", QString::number(rec.Received)},
                              {"Url", rec.Url},
                              {"Comment", rec.Comment}});
    if (completedInfoShown) completedInfoShown(job, lvHaveDownInfo);
}

QVector<QPair<QString, QString>> JobLists::runningInfo(int job) const {
    const DownJobRecord &rec = m_jobs[job];
    const double speed = liveSpeed ? liveSpeed(job) : -1;
    const QString bytes = QStringLiteral(" Byte");
    return {{"Download Url", rec.Url},
            {"Local File", rec.SavePath},
            {"Create Time", ListTexts::generalDate(rec.CreateTime)},
            {"Time Elapsed", ListTexts::generalDate(rec.TotalTime)},
            {"Data Received", QString::number(rec.Received) + bytes},
            {"Data Left", QString::number(qint64(rec.TotalSize) - rec.Received) + bytes},
            {"Speed", speed < 0 ? QStringLiteral("-") : ListTexts::bytesPerSecond(speed)},
            {"Resume", rec.CanResume ? QStringLiteral("True") : QStringLiteral("False")}};
}

void JobLists::ShowRunningInfo(int job) {
    lvResponse[0].clear();
    if (m_jobs.isValid(job)) addPairs(lvResponse[0], runningInfo(job));
}

void JobLists::RefreshRunningInfo(int job) {
    if (!m_jobs.isValid(job)) return;
    const auto pairs = runningInfo(job);
    if (lvResponse[0].count() != pairs.size()) return ShowRunningInfo(job);
    for (int r = 0; r < pairs.size(); ++r)
        lvResponse[0].setSubItem(r, 1, pairs[r].second);
}

void JobLists::FillDetailTree(int job) {
    tvNowDown.clear();
    tvNowDown.addRow(QStringLiteral("PicDraw"), QStringLiteral("Chart"),
                     QStringLiteral("PicChart"));
    if (!m_jobs.isValid(job)) return;
    const int parts = qBound(0, int(m_jobs[job].Parts), kMaxParts);
    for (int k = 1; k <= parts; ++k)
        tvNowDown.addRow(QString::number(k) + QStringLiteral("Jet"),
                         QStringLiteral("Part ") + QString::number(k), QStringLiteral("Jet"));
}

void JobLists::ShowPartLog(int job, int part) {
    lvResponse[1].clear();
    if (partLog) partLog(job, part, lvResponse[1]);
}

void JobLists::ShowSearchLog(int search) {
    lvHaveDownHtml.clear();
    if (searchLog && search != 0) searchLog(search, lvHaveDownHtml);
}

void JobLists::ClearDetail() {
    tvNowDown.clear();
    lvResponse[0].clear();
    lvResponse[1].clear();
}
