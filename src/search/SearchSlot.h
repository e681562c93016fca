#pragma once

#include "search/SearchStores.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class JobLog;
class MainView;
class clsDownHtml;

// The search slot: runs the page search jobs one at a time through its one
// clsDownHtml, keeps each job's row in lvDownHtml (key "<index>Key") and its
// log up to date, chains the analysis to the end of the fetch and starts the
// next waiting search when one ends. The commands of the search list live
// here; windows and `mq search` call them and observe the signals.
class SearchSlot : public QObject {
    Q_OBJECT
public:
    // `view` tells which search's log is shown.
    SearchSlot(SearchStores stores, MainView &view, JobLog &log, QObject *parent = nullptr);
    ~SearchSlot() override;

    clsDownHtml &search() const { return *m_search; }
    bool Busy() const;

    int CurrentSearchIndex = 0;
    QString CurrentSearchItem; // row key of the slot owner; empty: events are ignored

    static QString RowKey(int index) { return QString::number(index) + QStringLiteral("Key"); }

    // Lists a search job and starts it when it waits and the slot is free.
    void AddSearchToList(int index);

    // The four commands of the search list and the delete of its pop-up.
    void StartSearchJob(int index); // the selected row's job (0: nothing happens)
    void PauseSearchJob();
    void StartAllSearchJobs();
    void PauseAllSearchJobs();
    void DeleteSearchJobs(const QList<int> &indexes);

    // Makes the first waiting search (in index order) the slot owner and
    // starts it; true when one was started.
    bool StartNextWaiting();
    // Whether any search runs or waits.
    bool HasWork() const;
    // Within SearchEnded for a failed search: why it failed (the answer's
    // status line, the connection's error without its number, or why it
    // could not start).
    const QString &failure() const { return m_failure; }

signals:
    // Each report of the running search, before it is handled.
    void Reported(int index, const QString &type, const QString &info);
    // A search ended: analysed (8) or failed (5).
    void SearchEnded(int index, int state);

private:
    void onUpdataState(const QString &type, const QString &info);
    void onFenXiComplete();
    // Makes `index` the slot owner and runs Create and Start; a search that
    // cannot be created is marked failed and the next waiting one runs.
    void run(int index);
    void fail(const QString &reason);
    void addLog(const QString &text, quint8 icon);
    void addLines(const QString &text, quint8 icon);
    void setColumn(int column, const QString &text);
    void addToColumn(int column, int amount);
    void setIcon(const QString &key, const QString &icon);
    int currentRow() const;

    SearchStores m_stores;
    MainView &m_view;
    JobLog &m_log;
    clsDownHtml *m_search;
    QSet<QString> m_links; // distinct links of the running search
    int m_runDepth = 0;    // run() calls on the stack
    QString m_failure;
};
