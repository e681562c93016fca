#pragma once

#include "update/UpdateVerdict.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// The update check: one HTTP GET of "/newmoorquill.txt" from the update
// server (no proxy; over TLS when `tls` is set, which it is by default when
// the configured server is an https:// one), read until the server closes,
// then evaluated. A refused certificate is an error with its reason.
// Reports each label text through `labelChanged` and ends with `finished`.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    // Connects to host:port and starts the check.
    void Start(const QString &host, quint16 port, const QString &appVersion);
    // The request, byte for byte.
    // "Host:" carries the port when it is not the scheme's default.
    static QByteArray RequestText(const QString &host, quint16 port = 80, bool overTls = false);
    // "Error:" + number + description for a socket error.
    static QString ErrorText(int number, const QString &description);
    // The number of a socket error: the Winsock number of the same failure
    // where there is one, else Qt's own.
    static int ErrorNumber(int qtSocketError);

    QString label() const { return m_label; }
    const UpdateVerdict &verdict() const { return m_verdict; }
    bool isRunning() const { return m_running; }
    int timeoutMs = 15000;
    bool tls;
    QByteArray UpdateResponse;

signals:
    void labelChanged(const QString &text);
    void finished();

private:
    void setLabel(const QString &text);
    void fail(int number, const QString &description);
    void onClosed();
    void closeSocket();

    QTcpSocket *m_socket = nullptr;
    QTimer *m_timer;
    QString m_host;
    quint16 m_port = 80;
    QString m_appVersion;
    QString m_label;
    UpdateVerdict m_verdict;
    bool m_running = false;
    QString m_tlsError;
};
