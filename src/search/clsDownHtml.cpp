#include "search/clsDownHtml.h"

#include "base/OleDate.h"
#include "engine/HttpExchange.h"
#include "engine/PartTransport.h"
#include "engine/SocketGraveyard.h"
#include "jobs/JobLists.h"
#include "jobs/JobTable.h"
#include "search/PageScan.h"
#include "search/PageText.h"
#include "search/SearchTable.h"
#include "search/SearchUrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <limits>

namespace {
constexpr qint64 kBlockSize = 512 * 1024;
static_assert(clsDownHtml::kMaxHeader == HttpAnswer::kMaxHeader);
const QString kDeletedForGood = QStringLiteral("Recely_Really");
} // namespace

clsDownHtml::clsDownHtml(SearchStores stores, QObject *parent)
    : QObject(parent), m_stores(stores) {}

clsDownHtml::~clsDownHtml() {
    closeSock();
}

bool clsDownHtml::report(const QString &type, const QString &info) {
    const quint32 run = m_run;
    emit UpdataState(type, info);
    return run == m_run;
}

void clsDownHtml::writeBack() {
    if (m_stores.searches.isValid(m_index)) m_stores.searches[m_index] = m_rec;
}

void clsDownHtml::closeSock() {
    QTcpSocket *sock = m_sock;
    if (!sock) return;
    m_sock = nullptr;
    sock->disconnect(this);
    sock->abort();
    SocketGraveyard::retire(sock);
}

// ---- creating, starting, pausing -------------------------------------------

bool clsDownHtml::Create(int index, QString *error) {
    if (!m_stores.searches.isValid(index)) {
        if (error) *error = QStringLiteral("There is no search job %1.").arg(index);
        return false;
    }
    SearchJobRecord copy = m_stores.searches[index];
    if (!SearchUrl::ParseSearchUrl(copy, error)) return false;
    ++m_run; // whatever ran before is over
    closeSock();
    m_index = index;
    m_rec = copy;
    m_rec.State = SearchRunning;
    writeBack();
    return true;
}

bool clsDownHtml::Start() {
    if (!m_stores.searches.isValid(m_index)) return false;
    closeSock();
    const quint32 run = ++m_run;
    Busy = true;
    m_page.clear();
    m_text.clear();
    m_isText = false;
    m_answer.reset();
    m_charset.clear();
    m_requested = false;
    const bool proxy = m_rec.UseProxy != 0;
    PartTransport::Target target;
    target.host = SearchUrl::DialHost(m_rec);
    target.port = m_rec.portNumber();
    target.tls = SearchUrl::IsTls(m_rec);
    target.proxy = proxy;
    target.proxyHost = m_rec.ProxyHost;
    target.proxyPort = m_rec.proxyPortNumber();
    m_tlsError.clear();
    QTcpSocket *sock = PartTransport::Create(target, this, this,
                                             [this](const QString &reason) { tlsFailed(reason); });
    sock->setReadBufferSize(kBlockSize);
    m_sock = sock;
    PartTransport::Wire(sock, this,
                        {[this, sock] { onConnected(sock); }, [this, sock] { onReadyRead(sock); },
                         [this, sock] { onDisconnected(sock); }, [this, sock] { onError(sock); }});
    const QString host = proxy ? m_rec.ProxyHost : target.host;
    const quint16 port = proxy ? target.proxyPort : target.port;
    m_headerPending = true;
    if (!report(QStringLiteral("Connecting"), host + QLatin1Char(':') + QString::number(port)) ||
        m_sock != sock)
        return run == m_run;
    PartTransport::Open(sock, target);
    return true;
}

void clsDownHtml::Pause() {
    ++m_run;
    Busy = false;
    m_rec.State = SearchPaused;
    const int row = m_stores.lists.lvDownHtml.rowOfKey(ItemKey);
    if (row >= 0) m_stores.lists.lvDownHtml.setIconKey(row, QStringLiteral("Pause"));
    closeSock();
}

// ---- the fetch -------------------------------------------------------------

void clsDownHtml::onConnected(QTcpSocket *sock) {
    if (m_sock != sock) return;
    if (!report(QStringLiteral("Connected"),
                sock->peerName() + QLatin1Char(':') + QString::number(sock->peerPort())) ||
        m_sock != sock)
        return;
    const QByteArray request = SearchUrl::RequestText(m_rec);
    sock->write(request);
    if (!report(QStringLiteral("Request"), QString::fromLatin1(request)) || m_sock != sock) return;
    // An answer (or a close) that came in meanwhile waited for the report.
    m_requested = true;
    if (sock->bytesAvailable() > 0) onReadyRead(sock);
    if (m_sock == sock && sock->state() == QAbstractSocket::UnconnectedState) onDisconnected(sock);
}

void clsDownHtml::onReadyRead(QTcpSocket *sock) {
    if (m_sock != sock || !m_requested) return;
    while (m_sock == sock) {
        const QByteArray chunk = sock->read(kBlockSize);
        if (chunk.isEmpty() || !takeChunk(chunk, false)) break;
    }
}

void clsDownHtml::onDisconnected(QTcpSocket *sock) {
    if (m_sock != sock || !m_requested) return;
    const quint32 run = m_run;
    onReadyRead(sock); // whatever is still buffered
    if (run != m_run || m_sock != sock) return;
    if (m_headerPending && !takeChunk({}, true)) return;
    closeSock();
    if (!report(QStringLiteral("Close"), QStringLiteral("ByServer"))) return;
    emit DownComplete();
}

void clsDownHtml::onError(QTcpSocket *sock) {
    // A server close arrives as disconnected(); a refused certificate has
    // its own reason.
    if (m_sock != sock || sock->error() == QAbstractSocket::RemoteHostClosedError ||
        !m_tlsError.isEmpty())
        return;
    failed(QString::number(int(sock->error())) + sock->errorString());
}

void clsDownHtml::failed(const QString &text) {
    closeSock();
    m_rec.State = SearchError;
    writeBack();
    report(QStringLiteral("Error"), text);
}

void clsDownHtml::tlsFailed(const QString &reason) {
    // Raised inside the socket's handshake: end the fetch once it returned.
    m_tlsError = reason;
    const quint32 run = m_run;
    QTimer::singleShot(0, this, [this, run, reason] {
        if (run == m_run && m_sock)
            failed(QString::number(int(QAbstractSocket::SslHandshakeFailedError)) + reason);
    });
}

bool clsDownHtml::takeHeader(const QByteArray &chunk, bool closing) {
    QByteArray rest;
    if (!m_answer.collect(chunk.constData(), chunk.size(), closing, &rest)) return true;
    m_headerPending = false;
    const QString &header = m_answer.header();
    if (!report(QStringLiteral("Response"), header)) return false;
    if (m_answer.status() != QLatin1String("200")) {
        closeSock();
        m_rec.State = SearchError;
        writeBack();
        if (!report(QStringLiteral("RequestError"), m_answer.status())) return false;
        emit DownComplete();
        return false;
    }
    if (!m_answer.startBody(true)) {
        failed(m_answer.error());
        return false;
    }
    m_charset = m_answer.charset();
    // A coded or chunked page tells no size ahead.
    const qint64 size =
        m_answer.plain() ? HttpExchange::LeadingNumber(HttpExchange::GetContentLength(header)) : 0;
    m_rec.TotalSize = qint32(qMin<qint64>(size, std::numeric_limits<qint32>::max()));
    m_rec.Received = 0;
    m_page.clear();
    return takeBody(rest);
}

bool clsDownHtml::takeChunk(const QByteArray &chunk, bool closing) {
    if (m_headerPending) return takeHeader(chunk, closing);
    return takeBody(chunk);
}

bool clsDownHtml::takeBody(const QByteArray &bytes) {
    const qsizetype before = m_page.size();
    bool cut = false;
    const bool whole =
        m_answer.body(bytes.constData(), bytes.size(), [this, &cut](const char *data, qint64 size) {
            m_page.append(data, qsizetype(size));
            cut = m_page.size() > kMaxPage;
            return !cut;
        });
    if (cut) m_page.truncate(kMaxPage);
    const qint64 body = m_page.size() - before;
    m_rec.Received =
        qint32(qMin<qint64>(m_rec.Received + body, std::numeric_limits<qint32>::max()));
    writeBack();
    if (!report(QStringLiteral("DataArrival"), QString::number(body))) return false;
    if (!whole && !cut) {
        failed(m_answer.error());
        return false;
    }
    if (cut) {
        closeSock();
        if (!report(QStringLiteral("PageCut"), QString::number(kMaxPage))) return false;
        emit DownComplete();
        return false;
    }
    if (!m_answer.complete()) return true;
    // The body's own end: the server may keep the connection open.
    closeSock();
    if (!report(QStringLiteral("Close"), QStringLiteral("ByServer"))) return false;
    emit DownComplete();
    return false;
}

// ---- the analysis ----------------------------------------------------------

void clsDownHtml::SetPage(const SearchJobRecord &record, const QByteArray &page) {
    ++m_run;
    closeSock();
    m_index = 0;
    m_rec = record;
    m_page = page;
    m_charset.clear();
    m_text.clear();
    m_isText = false;
}

void clsDownHtml::SetPageText(const SearchJobRecord &record, const QString &text) {
    SetPage(record, QByteArray());
    m_text = text;
    m_isText = true;
}

void clsDownHtml::Fenxi() {
    const int phases =
        PageScan::Movies | PageScan::Frames | (m_rec.Depth > 0 ? PageScan::Links : 0);
    if (!scanText(m_isText ? m_text : PageText::Decode(m_page, m_charset), phases)) return;
    if (m_rec.State != SearchError) m_rec.State = SearchAnalysed;
    writeBack();
    emit FenXiComplete();
}

void clsDownHtml::Search2(const QString &pageText) {
    scanText(pageText, PageScan::Movies);
}

bool clsDownHtml::scanText(const QString &text, int phases) {
    const quint32 run = m_run;
    m_knownValid = false;
    PageScan scan(text, SearchUrl::PageUrl(m_rec.Url), phases);
    PageScan::Find find;
    QElapsedTimer clock;
    clock.start();
    while (scan.next(find)) {
        const QString &address = find.address;
        if (find.kind == PageScan::Find::Movie) {
            if (!recordMovie(address)) return false;
        } else if (find.kind == PageScan::Find::Frame) {
            addFrameSearch(address);
            if (run != m_run || !report(QStringLiteral("Found A Link"), address)) return false;
        } else if (find.kind == PageScan::Find::Link) {
            AddNowSearch(address);
            if (run != m_run || !report(QStringLiteral("Found A Link"), address)) return false;
        }
        if (clock.elapsed() >= kYieldMs) {
            QCoreApplication::processEvents();
            if (run != m_run) return false;
            m_knownValid = false; // the tables may have changed meanwhile
            clock.restart();
        }
    }
    return true;
}

bool clsDownHtml::isKnownMovie(const QString &url) {
    const JobTable &jobs = m_stores.jobs;
    if (!m_knownValid || m_knownCount != jobs.DownCount()) {
        m_known.clear();
        for (int i = 1; i <= jobs.DownCount(); ++i)
            if (jobs[i].CategoryKey != kDeletedForGood) m_known.insert(jobs[i].Url);
        m_knownValid = true;
        m_knownCount = jobs.DownCount();
    }
    return m_known.contains(url);
}

int clsDownHtml::freeJobRecord() const {
    const JobTable &jobs = m_stores.jobs;
    for (int i = 1; i <= jobs.DownCount(); ++i)
        if (jobs[i].State == StateFree) return i;
    return 0;
}

DownJobRecord clsDownHtml::movieJob(const QString &url, const QString &folder) const {
    DownJobRecord job = m_rec.JobTemplate;
    job.Url = url;
    job.FileName = SearchUrl::SaveName(QUrl(url));
    job.SavePath = folder + job.FileName;
    job.Referer = SearchUrl::Encoded(SearchUrl::PageUrl(m_rec.Url));
    job.CreateTime = OleDate::now();
    return job;
}

bool clsDownHtml::recordMovie(const QString &url) {
    if (isKnownMovie(url)) return true;
    const DownJobRecord job = movieJob(url, m_rec.JobTemplate.SavePath);
    int index = freeJobRecord();
    if (index != 0) {
        m_stores.jobs[index] = job;
        // A free record may still have a row from its former job.
        m_stores.lists.lvNowDown.removeRowByKey(JobLists::nowDownKey(index));
        m_knownValid = false;
    } else {
        index = m_stores.jobs.add(job);
        if (index == 0) return report(QStringLiteral("JobTableFull"), url);
        m_knownCount = m_stores.jobs.DownCount();
    }
    m_known.insert(url);
    const quint32 run = m_run;
    m_stores.lists.AddJobToList(index);
    if (run != m_run) return false;
    return report(QStringLiteral("Found Flash"), QStringLiteral("Url=") + url);
}

QString clsDownHtml::GetHref(const QString &tag) {
    const QString link = SearchUrl::Resolve(m_rec, PageScan::GetHref(tag));
    AddNowSearch(link);
    return link;
}

// A linked movie: one job per address (an embedded one is the same job).
void clsDownHtml::addSwfJob(const QString &url) {
    if (isKnownMovie(url)) return;
    DownJobRecord job = movieJob(url, QDir::homePath() + QStringLiteral("/mydown/"));
    job.State = StateWaiting;
    job.Parts = 5;
    job.IsNew = kTrue;
    job.FileOpen = kFalse;
    const int index = m_stores.jobs.add(job);
    if (index == 0) {
        report(QStringLiteral("JobTableFull"), url);
        return;
    }
    m_known.insert(url);
    m_knownCount = m_stores.jobs.DownCount();
    m_stores.lists.AddJobToList(index);
}

void clsDownHtml::AddNowSearch(const QString &url) {
    if (url.isEmpty()) return; // no web address
    if (SearchUrl::IsSwf(url)) {
        addSwfJob(url);
        return;
    }
    addChildSearch(url, m_rec.Depth - 1);
}

// A frame's page is searched at this page's depth, once per address and
// depth, so frames that show each other end.
void clsDownHtml::addFrameSearch(const QString &url) {
    const SearchTable &searches = m_stores.searches;
    for (int i = 1; i <= searches.SearchCount(); ++i)
        if (searches[i].Url == url && searches[i].Depth >= m_rec.Depth) return;
    addChildSearch(url, m_rec.Depth);
}

void clsDownHtml::addChildSearch(const QString &url, int depth) {
    SearchJobRecord child = m_rec;
    child.Url = url;
    child.Depth = qint16(depth);
    child.State = SearchWaiting;
    child.TotalSize = 0;
    child.Received = 0;
    const int index = m_stores.searches.add(child);
    if (index == 0) {
        report(QStringLiteral("SearchTableFull"), url);
        return;
    }
    if (addSearchToList) addSearchToList(index);
}
