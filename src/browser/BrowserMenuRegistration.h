#pragma once

#include <QString>
#include <QVector>

class RegistryStore;

// The two browser context-menu entries recorded in the registry store at
// every start: each a key under the current user whose default value names
// the entry's script page in the program folder and whose "Contexts" value
// says where the browser offers it.
namespace BrowserMenuRegistration {

struct Entry {
    QString caption; // the key's last level
    QString script;  // the script page's file name
    qint32 contexts; // images + links (34); default, images, selection, links, ... (243)
};
const QVector<Entry> &entries();

// "HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\MenuExt\" + caption
QString keyPathOf(const Entry &entry);

// The program folder, the separator and the script's name; a folder that
// already ends in the separator (a root) gives it twice.
QString scriptPath(const QString &programFolder, QChar separator, const QString &script);

// Writes both entries (key, default value, "Contexts"); failures are
// ignored. Returns how many entries were written whole.
int registerEntries(RegistryStore &store, const QString &programFolder, QChar separator);

} // namespace BrowserMenuRegistration
