#include "browser/BrowserScanChannel.h"

#include "browser/HandOffJson.h"
#include "browser/HandOffServer.h"
#include "browser/MessageFrames.h"

#include <QLocalSocket>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcScan, "moorquill.scan")

BrowserScanChannel::BrowserScanChannel(QObject *parent) : QObject(parent) {}

BrowserScanChannel::~BrowserScanChannel() = default;

void BrowserScanChannel::listenTo(HandOffServer *server) {
    connect(server, &HandOffServer::portRegistered, this, &BrowserScanChannel::addPort);
    connect(server, &HandOffServer::scanAnswered, this, &BrowserScanChannel::answer);
}

void BrowserScanChannel::addPort(QLocalSocket *socket, qint64 pid, const QString &browser) {
    if (!socket || pid <= 0) return;
    for (const Port &port : std::as_const(m_ports))
        if (port.socket == socket) return; // registered twice: the first one holds
    m_ports.append({socket, pid, browser});
    qCInfo(lcScan).noquote() << "scan port of" << browser << "process" << pid;
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
}

const BrowserScanChannel::Port *BrowserScanChannel::portOf(qint64 pid) const {
    for (auto port = m_ports.crbegin(); port != m_ports.crend(); ++port)
        if (port->pid == pid && port->socket &&
            port->socket->state() == QLocalSocket::ConnectedState)
            return &*port;
    return nullptr;
}

QString BrowserScanChannel::browserOf(qint64 pid) const {
    const Port *port = portOf(pid);
    return port ? port->browser : QString();
}

template <typename Match> void BrowserScanChannel::giveUp(Match match) {
    QVector<Reply> replies;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (match(it->second)) {
            replies.append(std::move(it->second.reply));
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    for (const Reply &reply : replies)
        if (reply) reply(std::nullopt);
}

void BrowserScanChannel::forget(QLocalSocket *socket) {
    const auto before = m_ports.size();
    m_ports.erase(std::remove_if(
                      m_ports.begin(), m_ports.end(),
                      [socket](const Port &port) { return port.socket == socket || !port.socket; }),
                  m_ports.end());
    if (m_ports.size() != before) qCInfo(lcScan) << "scan port closed";
    giveUp([socket](const Pending &request) { return request.socket == socket; });
}

void BrowserScanChannel::requestScan(const ScanTarget &target, Reply reply) {
    // Old requests go first: their replies run before this one is looked up.
    giveUp([](const Pending &request) { return request.deadline.hasExpired(); });
    if (int(m_pending.size()) >= kMaxPending) {
        const Reply oldest = std::move(m_pending.begin()->second.reply);
        m_pending.erase(m_pending.begin());
        if (oldest) oldest(std::nullopt);
    }
    const Port *port = target.pid > 0 ? portOf(target.pid) : nullptr;
    if (!port) {
        if (reply) reply(std::nullopt);
        return;
    }
    const qint64 id = ++m_nextId;
    Pending &request = m_pending[id];
    request.socket = port->socket;
    request.browser = port->browser;
    request.reply = std::move(reply);
    request.deadline = QDeadlineTimer(kGiveUpMs);
    port->socket->write(MessageFrames::frame(HandOffJson::scanRequest(id, target.title)));
}

void BrowserScanChannel::answer(QLocalSocket *socket, qint64 id,
                                const std::optional<PageScanResult> &page) {
    const auto it = m_pending.find(id);
    // An id never asked, already answered or given up, or asked of another port.
    if (it == m_pending.end() || it->second.socket != socket) return;
    const Reply reply = std::move(it->second.reply);
    std::optional<PageScanResult> result = page;
    if (result) result->browser = it->second.browser;
    m_pending.erase(it);
    if (reply) reply(result);
}
