#include "core/ProxyList.h"

#include "base/ListRowModel.h"
#include "base/NumberText.h"
#include "base/clsIniFile.h"

#include <algorithm>

const QString kDirectConnection = QStringLiteral("Direct Connection");

namespace {
const QString kSection = QStringLiteral("Proxy");
} // namespace

ProxyEntry parseProxyEntry(const QString &text) {
    const int colon = int(text.indexOf(QLatin1Char(':')));
    if (colon < 0) return {};
    return {text.left(colon), text.mid(colon + 1)};
}

namespace {
// Entry numbers and their stored texts, in key order.
QVector<QPair<int, QString>> storedEntries(const clsIniFile &file) {
    clsIniFile ini = file;
    ini.beginUpdate(); // one read of the file for all entries (a batch goes on as it is)
    QVector<QPair<int, QString>> out;
    const int count =
        NumberText::integerValue(ini.GetSetting(kSection, QStringLiteral("ProxyNum")));
    // Only keys written as a number from 1 to the count can answer the
    // lookups of "1" .. count: look up those instead of every number.
    QVector<int> numbers;
    for (const QString &key : ini.KeyNames(kSection)) {
        bool ok = false;
        const int n = key.toInt(&ok);
        if (ok && n >= 1 && n <= count && key == QString::number(n)) numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (int i : numbers) {
        const QString text = ini.GetSetting(kSection, QString::number(i));
        if (text != clsIniFile::kMissingValue) out.append({i, text});
    }
    return out;
}
} // namespace

QVector<ProxyEntry> readProxyEntries(const clsIniFile &ini) {
    QVector<ProxyEntry> out;
    for (const auto &entry : storedEntries(ini))
        out.append(parseProxyEntry(entry.second));
    return out;
}

void writeProxyEntries(clsIniFile &ini, const QVector<ProxyEntry> &entries) {
    ini.DeleteSection(kSection);
    ini.SaveSetting(kSection, QStringLiteral("Proxynum"), QString::number(entries.size()));
    ini.SaveSetting(kSection, QStringLiteral("Default"), QStringLiteral("0"));
    for (int i = 0; i < entries.size(); ++i)
        ini.SaveSetting(kSection, QString::number(i + 1), entries[i].text());
}

ProxyChoices FillProxyChoices(const QString &settingsPath) {
    clsIniFile ini;
    ini.IniFileName = settingsPath;
    ini.beginUpdate(); // read the file once for all keys
    ProxyChoices choices;
    choices.texts << kDirectConnection;
    const int def = NumberText::integerValue(ini.GetSetting(kSection, QStringLiteral("Default")));
    for (const auto &entry : storedEntries(ini)) {
        choices.texts << entry.second;
        if (entry.first == def) choices.selected = int(choices.texts.size()) - 1;
    }
    return choices;
}

bool isValidProxyPort(const QString &port, quint16 *number) {
    bool ok = false;
    const QString t = port.trimmed();
    const uint value = t.toUInt(&ok);
    bool digitsOnly = !t.isEmpty();
    for (QChar c : t)
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!ok || !digitsOnly || value < 1 || value > 65535) return false;
    if (number) *number = quint16(value);
    return true;
}

ProxyChoice chooseProxy(int index, const QString &choiceText) {
    ProxyChoice choice;
    if (index <= 0) return choice;
    const int colon = int(choiceText.indexOf(QLatin1Char(':')));
    const QString port = colon < 0 ? QString() : choiceText.mid(colon + 1);
    quint16 number = 0;
    if (colon < 0 || !isValidProxyPort(port, &number)) {
        choice.ok = false;
        choice.error =
            QStringLiteral("The proxy \"%1\" has no valid port (1 to 65535).").arg(choiceText);
        return choice;
    }
    choice.UseProxy = -1;
    choice.ProxyHost = choiceText.left(colon);
    choice.ProxyPort = qint16(number);
    return choice;
}

ProxyInputCheck checkProxyInput(const QString &host, const QString &port) {
    if (host.isEmpty()) return {QStringLiteral("Please input Proxy Server Name or Ip!"), 1};
    if (port.isEmpty()) return {QStringLiteral("Please input Proxy Server Port!"), 2};
    if (!isValidProxyPort(port))
        return {QStringLiteral("The Proxy Server Port must be a number from 1 to 65535!"), 2};
    return {};
}

void setupProxyColumns(ListRowModel &rows) {
    rows.setColumns({{QStringLiteral("Host"), QStringLiteral("Server Name Or IP")},
                     {QStringLiteral("Port"), QStringLiteral("Port")}});
}

int appendProxyRow(ListRowModel &rows, const ProxyEntry &entry) {
    // Row keys only need to be unique within the list.
    int n = rows.count() + 1;
    while (rows.rowOfKey(QStringLiteral("Proxy%1").arg(n)) >= 0)
        ++n;
    const int row = rows.addRow(QStringLiteral("Proxy%1").arg(n), entry.host);
    rows.setSubItem(row, 1, entry.port);
    return row;
}

void setProxyRow(ListRowModel &rows, int row, const ProxyEntry &entry) {
    rows.setText(row, entry.host);
    rows.setSubItem(row, 1, entry.port);
}

void setProxyRows(ListRowModel &rows, const QVector<ProxyEntry> &entries) {
    rows.clear();
    for (const ProxyEntry &entry : entries)
        appendProxyRow(rows, entry);
}

QVector<ProxyEntry> proxyRows(const ListRowModel &rows) {
    QVector<ProxyEntry> out;
    for (int r = 0; r < rows.count(); ++r)
        out.append({rows.row(r).text, rows.subItem(r, 1)});
    return out;
}
