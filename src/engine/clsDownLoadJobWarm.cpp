// Connections of a job opened ahead of their use: over TLS the handshake of
// each part costs a round trip or two and noticeable CPU, so parts 3 and up
// shake hands while part 2 tests whether the server serves ranges.
#include "engine/clsDownLoadJob.h"

#include "engine/HttpExchange.h"
#include "engine/RangeBook.h"
#include "engine/SocketGraveyard.h"

#include <QTcpSocket>
#include <QTimer>

PartTransport::Target clsDownLoadJob::target() const {
    PartTransport::Target t;
    t.host = m_job.Host;
    t.port = m_job.portNumber();
    t.tls = HttpExchange::IsHttps(m_job.Url);
    t.proxy = m_job.UseProxy != 0;
    t.proxyHost = m_job.ProxyHost;
    t.proxyPort = m_job.proxyPortNumber();
    return t;
}

void clsDownLoadJob::warmUp() {
    const PartTransport::Target to = target();
    if (!to.tls) return;
    for (int k = 3; k <= m_job.Parts && k <= kMaxParts; ++k) {
        if (m_parts[k].sock || m_warm[k].sock || (!m_job.IsNew && !RangeBook::InUse(m_job, k)))
            continue;
        // A refused certificate matters once the part uses the connection.
        QTcpSocket *sock = PartTransport::Create(to, this, this, [this, k](const QString &reason) {
            if (!m_warm[k].sock) tlsFailed(k, reason);
        });
        sock->setReadBufferSize(kBlockSize);
        Warm &w = m_warm[k];
        w.sock = sock;
        // A connection that fails before it is used is simply dropped.
        auto drop = [this, k, sock] {
            QTimer::singleShot(0, this, [this, k, sock] {
                if (m_warm[k].sock == sock) dropWarm(k);
            });
        };
        w.error = connect(sock, &QTcpSocket::errorOccurred, this, drop);
        w.closed = connect(sock, &QTcpSocket::disconnected, this, drop);
        PartTransport::Open(sock, to);
    }
}

QTcpSocket *clsDownLoadJob::takeWarm(int k) {
    Warm &w = m_warm[k];
    QTcpSocket *sock = w.sock;
    if (!sock) return nullptr;
    if (sock->state() != QAbstractSocket::ConnectedState &&
        sock->state() != QAbstractSocket::ConnectingState &&
        sock->state() != QAbstractSocket::HostLookupState) {
        dropWarm(k);
        return nullptr;
    }
    disconnect(w.error);
    disconnect(w.closed);
    w = Warm{};
    return sock;
}

void clsDownLoadJob::dropWarm(int k) {
    Warm &w = m_warm[k];
    QTcpSocket *sock = w.sock;
    if (!sock) return;
    w = Warm{};
    sock->disconnect(this);
    sock->abort();
    SocketGraveyard::retire(sock);
}
