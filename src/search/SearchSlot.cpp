#include "search/SearchSlot.h"

#include "engine/DownloadEvents.h"
#include "engine/HttpExchange.h"
#include "engine/JobLog.h"
#include "jobs/JobLists.h"
#include "jobs/ListTexts.h"
#include "jobs/MainView.h"
#include "search/SearchTable.h"
#include "search/SearchUrl.h"
#include "search/clsDownHtml.h"

namespace {
const QString kWaitfor = QStringLiteral("Waitfor");
const QString kPause = QStringLiteral("Pause");
constexpr int kStateColumn = 1, kSizeColumn = 3, kCompleteColumn = 4, kPercentColumn = 5,
              kLinksColumn = 6, kValidLinksColumn = 7, kFlashColumn = 8;
constexpr quint8 kRedLine = 8;

void appendLogRow(ListRowModel &list, const JobLogRow &line) {
    const int r = list.addRow({}, line.timeText, line.iconKey);
    list.setSubItem(r, 1, line.text);
    list.setTag(r, QString::number(line.icon));
}
} // namespace

SearchSlot::SearchSlot(SearchStores stores, MainView &view, JobLog &log, QObject *parent)
    : QObject(parent), m_stores(stores), m_view(view), m_log(log),
      m_search(new clsDownHtml(stores, this)) {
    m_search->addSearchToList = [this](int index) { AddSearchToList(index); };
    connect(m_search, &clsDownHtml::UpdataState, this, &SearchSlot::onUpdataState);
    connect(m_search, &clsDownHtml::DownComplete, this, [this] {
        if (!CurrentSearchItem.isEmpty()) m_search->Fenxi();
    });
    connect(m_search, &clsDownHtml::FenXiComplete, this, &SearchSlot::onFenXiComplete);
    m_stores.lists.searchLog = [this](int search, ListRowModel &list) {
        const int row = m_stores.lists.lvDownHtml.rowOfKey(RowKey(search));
        if (row < 0) return;
        for (const JobLogRow &line :
             m_log.LookSearchLogLv(m_stores.lists.lvDownHtml.row(row).tag, 0, 0))
            appendLogRow(list, line);
    };
}

SearchSlot::~SearchSlot() {
    m_stores.lists.searchLog = nullptr;
}

bool SearchSlot::Busy() const {
    return m_search->Busy;
}

bool SearchSlot::HasWork() const {
    if (m_search->Busy) return true;
    for (int i = 1; i <= m_stores.searches.SearchCount(); ++i)
        if (m_stores.searches[i].State == SearchWaiting) return true;
    return false;
}

// ---- the list --------------------------------------------------------------

void SearchSlot::AddSearchToList(int index) {
    if (!m_stores.searches.isValid(index)) return;
    const SearchJobRecord &rec = m_stores.searches[index];
    ListRowModel &list = m_stores.lists.lvDownHtml;
    const int row = list.addRow(RowKey(index), {}, rec.State == SearchPaused ? kPause : kWaitfor);
    if (row < 0) return;
    const QString name = FileNameFromUrl(rec.Url);
    const QString texts[] = {QStringLiteral("Waiting Search"),
                             name.isEmpty() ? QStringLiteral("[Index.htm]") : name,
                             QStringLiteral("??"),
                             QStringLiteral("0"),
                             QStringLiteral("0%"),
                             QStringLiteral("0"),
                             QStringLiteral("0"),
                             QStringLiteral("0"),
                             rec.Url};
    for (int c = 0; c < 9; ++c)
        list.setSubItem(row, c + 1, texts[c]);
    if (rec.State == SearchWaiting && !m_search->Busy) run(index);
}

int SearchSlot::currentRow() const {
    return CurrentSearchItem.isEmpty() ? -1 : m_stores.lists.lvDownHtml.rowOfKey(CurrentSearchItem);
}

void SearchSlot::setColumn(int column, const QString &text) {
    const int row = currentRow();
    if (row >= 0) m_stores.lists.lvDownHtml.setSubItem(row, column, text);
}

void SearchSlot::addToColumn(int column, int amount) {
    const int row = currentRow();
    if (row < 0) return;
    ListRowModel &list = m_stores.lists.lvDownHtml;
    list.setSubItem(row, column, QString::number(list.subItem(row, column).toInt() + amount));
}

void SearchSlot::setIcon(const QString &key, const QString &icon) {
    ListRowModel &list = m_stores.lists.lvDownHtml;
    const int row = list.rowOfKey(key);
    if (row >= 0) list.setIconKey(row, icon);
}

void SearchSlot::addLog(const QString &text, quint8 icon) {
    const int number = m_log.AddJobLog(m_stores.lists.lvDownHtml, CurrentSearchItem, text, icon, 0);
    // The log list of the selected search follows it line by line.
    if (CurrentSearchIndex == m_view.SelectedSearchIndex) {
        const QVector<JobLogRow> rows =
            m_log.LookSearchLogLv(QString::number(number) + QLatin1Char(','), 0, 0);
        for (const JobLogRow &line : rows)
            appendLogRow(m_stores.lists.lvHaveDownHtml, line);
    }
}

void SearchSlot::addLines(const QString &text, quint8 icon) {
    QString rest = text;
    while (rest.size() >= 4) {
        int end = int(rest.indexOf(QStringLiteral("\r\n")));
        if (end < 0) end = int(rest.size());
        addLog(rest.left(end), icon);
        rest = rest.mid(end + 2);
    }
}

// ---- the reports -----------------------------------------------------------

void SearchSlot::onUpdataState(const QString &type, const QString &info) {
    if (CurrentSearchItem.isEmpty()) return;
    emit Reported(CurrentSearchIndex, type, info);
    if (type == QLatin1String("Connecting")) {
        setColumn(kStateColumn, type);
        addLog(QStringLiteral("Connecting:") + info, 1);
        setIcon(CurrentSearchItem, QStringLiteral("Start"));
    } else if (type == QLatin1String("Connected")) {
        setColumn(kStateColumn, type);
        addLog(QStringLiteral("Connected:") + info, 1);
    } else if (type == QLatin1String("Request")) {
        setColumn(kStateColumn, type);
        addLog(QStringLiteral("Send Request."), 100);
        addLines(info, 3);
        addLog(QStringLiteral("Waiting For Server Response..."), 100);
    } else if (type == QLatin1String("Response")) {
        m_failure = HttpExchange::StatusLine(info); // why, if the status refuses the page
        setColumn(kStateColumn, type);
        addLog(QStringLiteral("Reveive the Server Response.."), 100);
        addLines(info, 4);
        addLog(QStringLiteral("Start Receiving Date..."), 100);
    } else if (type == QLatin1String("DataArrival")) {
        setColumn(kStateColumn, QStringLiteral("Receive Data"));
        const int index = ListRowModel::leadingNumber(CurrentSearchItem);
        if (!m_stores.searches.isValid(index)) return;
        const SearchJobRecord &rec = m_stores.searches[index];
        setColumn(kSizeColumn, QString::number(rec.TotalSize));
        setColumn(kCompleteColumn, QString::number(rec.Received));
        if (rec.TotalSize > 0)
            setColumn(kPercentColumn, DownloadEvents::PercentText(rec.Received, rec.TotalSize));
        return;
    } else if (type == QLatin1String("Close")) {
        setColumn(kStateColumn, QStringLiteral("Anlylizing"));
        addLog(QStringLiteral("Receive Data Complete ."), 6);
        addLog(QStringLiteral("Start Analysis.."), 100);
    } else if (type == QLatin1String("RequestError")) {
        setColumn(kStateColumn, QStringLiteral("Error"));
        addLog(QStringLiteral("Receive Data Error ."), 8);
    } else if (type == QLatin1String("Found Flash")) {
        addLog(QStringLiteral("Found Flash. ") + info, 9);
        addToColumn(kFlashColumn, 1);
    } else if (type == QLatin1String("Found A Link")) {
        addLog(QStringLiteral("Found A Link.") + info, 10);
        addToColumn(kLinksColumn, 1);
        m_links.insert(info);
        setColumn(kValidLinksColumn, QString::number(m_links.size()));
    } else if (type == QLatin1String("PageCut")) {
        addLog(QStringLiteral("The page is longer than %1 bytes; only that much is analysed.")
                   .arg(info),
               kRedLine);
        addLog(QStringLiteral("Start Analysis.."), 100);
    } else if (type == QLatin1String("JobTableFull") || type == QLatin1String("SearchTableFull")) {
        addLog(QStringLiteral("The job table is full; not added: ") + info, kRedLine);
    } else if (type == QLatin1String("Error")) {
        // `info` is the socket's error number followed by its text.
        qsizetype digits = 0;
        while (digits < info.size() && info[digits].isDigit())
            ++digits;
        m_failure = info.mid(digits);
        fail(QStringLiteral("Connection error ") + info);
    }
    // The log list of the selected search got its lines as they came (addLog).
}

void SearchSlot::onFenXiComplete() {
    if (CurrentSearchItem.isEmpty()) return;
    setColumn(kStateColumn, QStringLiteral("Anlyliz Complete"));
    addLog(QStringLiteral("Anlyliz Complete"), 100);
    const int index = CurrentSearchIndex;
    const int state =
        m_stores.searches.isValid(index) ? m_stores.searches[index].State : int(SearchError);
    setIcon(CurrentSearchItem,
            state == SearchError ? QStringLiteral("Error") : QStringLiteral("Ok"));
    m_search->Busy = false;
    emit SearchEnded(index, state);
    StartNextWaiting();
}

// A search that cannot run is marked failed and gives the slot up.
void SearchSlot::fail(const QString &reason) {
    const int index = CurrentSearchIndex;
    if (m_stores.searches.isValid(index)) m_stores.searches[index].State = SearchError;
    setColumn(kStateColumn, QStringLiteral("Error"));
    addLog(reason, kRedLine);
    setIcon(CurrentSearchItem, QStringLiteral("Error"));
    m_search->Busy = false;
    if (m_failure.isEmpty()) m_failure = reason;
    emit SearchEnded(index, SearchError);
    if (m_runDepth == 0) StartNextWaiting();
}

// ---- running ---------------------------------------------------------------

void SearchSlot::run(int index) {
    ++m_runDepth;
    int next = index;
    while (next != 0) {
        CurrentSearchIndex = next;
        CurrentSearchItem = RowKey(next);
        m_search->ItemKey = CurrentSearchItem;
        m_links.clear();
        m_failure.clear();
        QString error;
        next = 0;
        if (m_search->Create(CurrentSearchIndex, &error) && m_search->Start()) break;
        if (error.isEmpty()) error = QStringLiteral("The search could not be started.");
        fail(error);
        for (int i = 1; i <= m_stores.searches.SearchCount() && !m_search->Busy; ++i)
            if (m_stores.searches[i].State == SearchWaiting) {
                next = i;
                break;
            }
    }
    --m_runDepth;
}

bool SearchSlot::StartNextWaiting() {
    if (m_search->Busy) return false;
    for (int i = 1; i <= m_stores.searches.SearchCount(); ++i)
        if (m_stores.searches[i].State == SearchWaiting) {
            run(i);
            return true;
        }
    return false;
}

// ---- commands --------------------------------------------------------------

void SearchSlot::StartSearchJob(int index) {
    if (!m_stores.searches.isValid(index)) return;
    if (m_search->Busy) {
        m_stores.searches[index].State = SearchWaiting;
        setIcon(RowKey(index), kWaitfor);
        return;
    }
    run(index);
}

void SearchSlot::PauseSearchJob() {
    if (m_search->Busy) {
        m_search->Pause();
        if (m_stores.searches.isValid(CurrentSearchIndex))
            m_stores.searches[CurrentSearchIndex].State = SearchPaused;
        setIcon(CurrentSearchItem, kPause);
    }
    StartNextWaiting();
}

void SearchSlot::StartAllSearchJobs() {
    for (int i = 1; i <= m_stores.searches.SearchCount(); ++i) {
        if (m_stores.searches[i].State != SearchPaused) continue;
        if (!m_search->Busy) {
            run(i);
        } else {
            m_stores.searches[i].State = SearchWaiting;
            setIcon(RowKey(i), kWaitfor);
        }
    }
}

void SearchSlot::PauseAllSearchJobs() {
    if (m_search->Busy) m_search->Pause();
    ListRowModel &list = m_stores.lists.lvDownHtml;
    for (int r = 0; r < list.count(); ++r) {
        const int index = ListRowModel::leadingNumber(list.row(r).key);
        if (!m_stores.searches.isValid(index)) continue;
        qint32 &state = m_stores.searches[index].State;
        if (state == SearchRunning || state == SearchWaiting) {
            state = SearchPaused;
            list.setIconKey(r, kPause);
        }
    }
}

void SearchSlot::DeleteSearchJobs(const QList<int> &indexes) {
    bool freed = false;
    for (int index : indexes) {
        if (!m_stores.searches.isValid(index)) continue;
        if (m_search->Busy && index == CurrentSearchIndex) {
            // The running search stops first; its slot goes to the next one.
            m_search->Pause();
            CurrentSearchItem.clear();
            CurrentSearchIndex = 0;
            freed = true;
        }
        m_stores.searches[index].State = SearchFree;
        m_stores.lists.lvDownHtml.removeRowByKey(RowKey(index));
        if (m_view.SelectedSearchIndex == index) m_view.selectSearchJob(0);
    }
    if (freed) StartNextWaiting();
}
