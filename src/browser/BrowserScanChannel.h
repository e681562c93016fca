#pragma once

#include "browser/ScanChannel.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QVector>
#include <map>

class HandOffServer;
class QLocalSocket;

// The scan channel to the browsers' extension: each browser with the
// extension keeps a native host running for its long-lived port, and the
// host registers its connection to the program with its parent process (the
// browser, which owns the browser's windows) and the browser's name. A scan
// goes to the port of the window's process as {"type":"scan","id","title"};
// the answer with the same id on the same connection is the page. A port
// that closes answers its outstanding requests with nothing.
class BrowserScanChannel : public QObject, public ScanChannel {
    Q_OBJECT
public:
    static constexpr int kMaxPending = 64;  // older outstanding requests are given up
    static constexpr int kGiveUpMs = 15000; // requests this old are given up

    explicit BrowserScanChannel(QObject *parent = nullptr);
    ~BrowserScanChannel() override;

    // Takes the ports that register with `server` and their answers.
    void listenTo(HandOffServer *server);

    void addPort(QLocalSocket *socket, qint64 pid, const QString &browser);
    void answer(QLocalSocket *socket, qint64 id, const std::optional<PageScanResult> &page);

    // Asks the port of target.pid (the newest one when there are several);
    // answers nothing at once when the process has none.
    void requestScan(const ScanTarget &target, Reply reply) override;

    int ports() const { return int(m_ports.size()); }
    int pending() const { return int(m_pending.size()); }
    // The browser of the newest port of `pid`; empty when it has none.
    QString browserOf(qint64 pid) const;

private:
    struct Port {
        QPointer<QLocalSocket> socket;
        qint64 pid = 0;
        QString browser;
    };
    struct Pending {
        QLocalSocket *socket = nullptr; // compared only: it may be gone
        QString browser;
        Reply reply;
        QDeadlineTimer deadline;
    };
    const Port *portOf(qint64 pid) const;
    void forget(QLocalSocket *socket);
    // Removes the matching requests first, then answers them with nothing:
    // a reply may ask again.
    template <typename Match> void giveUp(Match match);

    QVector<Port> m_ports; // in the order they registered
    std::map<qint64, Pending> m_pending;
    qint64 m_nextId = 0;
};
