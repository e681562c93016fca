#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

class clsIniFile;

// One proxy server of the user's list: host (name or IP address) and port,
// both as typed.
struct ProxyEntry {
    QString host;
    QString port;
    QString text() const { return host + QLatin1Char(':') + port; }
    bool operator==(const ProxyEntry &o) const { return host == o.host && port == o.port; }
};

// Splits a stored entry at its first ':' (the rest, colons included, is the
// port); a text without ':' gives an empty host and port.
ProxyEntry parseProxyEntry(const QString &text);

// The entries of section "Proxy": ProxyNum entries under the keys "1", "2", ...
// Keys that are missing from the file are skipped.
QVector<ProxyEntry> readProxyEntries(const clsIniFile &ini);
// Rewrites section "Proxy": Proxynum, Default "0", then the entries in order.
void writeProxyEntries(clsIniFile &ini, const QVector<ProxyEntry> &entries);

// The choices the new-job dialog offers: "Direct Connection" first, then each
// stored entry text in key order; selected is the entry whose number equals
// the stored Default (0, "Direct Connection", otherwise).
struct ProxyChoices {
    QStringList texts;
    int selected = 0;
};
ProxyChoices FillProxyChoices(const QString &settingsPath);

extern const QString kDirectConnection; // "Direct Connection"

// A port is a whole number from 1 to 65535 (surrounding blanks allowed).
bool isValidProxyPort(const QString &port, quint16 *number = nullptr);

// What a job takes from the chosen proxy choice: index 0 means no proxy;
// otherwise host before the first ':' and the port after it. A choice whose
// port is not a valid port is refused (ok false, error says why).
struct ProxyChoice {
    bool ok = true;
    qint16 UseProxy = 0; // -1 true, 0 false
    QString ProxyHost;
    qint16 ProxyPort = 0; // the port number in 16 bits
    QString error;
};
ProxyChoice chooseProxy(int index, const QString &choiceText);

// Checks what the proxy entry dialog was given. Returns the message to show
// (empty when the entry is fine) and which box wants the focus (1 host, 2 port).
struct ProxyInputCheck {
    QString message;
    int focus = 0;
};
ProxyInputCheck checkProxyInput(const QString &host, const QString &port);

class ListRowModel;

// The rows of the Proxy page's list: text = host, sub-item 1 = port.
void setupProxyColumns(ListRowModel &rows);                      // "Server Name Or IP", "Port"
int appendProxyRow(ListRowModel &rows, const ProxyEntry &entry); // returns the row
void setProxyRow(ListRowModel &rows, int row, const ProxyEntry &entry);
void setProxyRows(ListRowModel &rows, const QVector<ProxyEntry> &entries);
QVector<ProxyEntry> proxyRows(const ListRowModel &rows);
