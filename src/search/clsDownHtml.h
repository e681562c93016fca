#pragma once

#include "engine/HttpAnswer.h"
#include "search/SearchJobRecord.h"
#include "search/SearchStores.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class QTcpSocket;

// The page search object: fetches one page over HTTP or HTTPS, then (Fenxi) turns
// the Flash movies in it into download jobs and its links into further
// search jobs. It works on its own copy of the search record, writes new
// jobs straight into the tables and reports through its three signals,
// which its owner handles synchronously. Every handler checks, after a
// report or a yield, that its run is still the current one: the owner may
// pause or restart the object from inside a report.
class clsDownHtml : public QObject {
    Q_OBJECT
public:
    // A page is cut here; the rest of the answer is not read.
    static constexpr qint64 kMaxPage = 64 * 1024 * 1024;
    // A response header is collected from the first chunks up to this size.
    static constexpr int kMaxHeader = 64 * 1024;
    // The analysis lets events run whenever this much time has passed.
    static constexpr int kYieldMs = 10;

    explicit clsDownHtml(SearchStores stores, QObject *parent = nullptr);
    ~clsDownHtml() override;

    bool Busy = false;
    QString ItemKey; // the row of the search in lvDownHtml (its small icon)
    // AddSearchToList, called for every child search.
    std::function<void(int index)> addSearchToList;

    bool Create(int index, QString *error = nullptr);
    bool Start();
    void Pause();
    void Fenxi();
    QString GetHref(const QString &tag);
    void AddNowSearch(const QString &url);
    void Search2(const QString &pageText);

    int Index() const { return m_index; }
    const SearchJobRecord &Record() const { return m_rec; }
    const QByteArray &PageText() const { return m_page; }
    // Analysis of a page already in memory (for `Process Web Page File` and
    // the benchmark): the record is the one the addresses resolve against.
    // Bytes are decoded by PageText::Decode when the analysis starts.
    void SetPage(const SearchJobRecord &record, const QByteArray &page);
    void SetPageText(const SearchJobRecord &record, const QString &text);

signals:
    void DownComplete();
    void FenXiComplete();
    void UpdataState(const QString &type, const QString &info);

private:
    bool report(const QString &type, const QString &info);
    void closeSock();
    void writeBack();
    void onConnected(QTcpSocket *sock);
    void onReadyRead(QTcpSocket *sock);
    void onDisconnected(QTcpSocket *sock);
    void onError(QTcpSocket *sock);
    void failed(const QString &text); // the fetch ends with an "Error" report
    void tlsFailed(const QString &reason);
    // False when the run ended inside (a report, a cut, a failed status).
    bool takeChunk(const QByteArray &chunk, bool closing);
    bool takeHeader(const QByteArray &chunk, bool closing);
    bool takeBody(const QByteArray &bytes); // decoded into the page
    bool scanText(const QString &text, int phases);
    bool recordMovie(const QString &url);
    bool isKnownMovie(const QString &url);
    void addSwfJob(const QString &url);
    void addFrameSearch(const QString &url);
    void addChildSearch(const QString &url, int depth);
    // A new download job of the search for the movie at `url`.
    DownJobRecord movieJob(const QString &url, const QString &folder) const;
    int freeJobRecord() const;

    SearchStores m_stores;
    SearchJobRecord m_rec;
    int m_index = 0;
    quint32 m_run = 0;
    QTcpSocket *m_sock = nullptr;
    bool m_headerPending = false;
    bool m_requested = false;
    QString m_tlsError; // the certificate was refused: the fetch ends
    HttpAnswer m_answer;
    QByteArray m_charset; // named by the answer's Content-Type
    QByteArray m_page;
    QString m_text; // the page as text, when it was given as text
    bool m_isText = false;
    // Addresses of jobs not deleted for good, rebuilt after each yield.
    QSet<QString> m_known;
    bool m_knownValid = false;
    int m_knownCount = 0;
};
