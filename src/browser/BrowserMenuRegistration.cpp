#include "browser/BrowserMenuRegistration.h"

#include "platform/RegistryStore.h"

namespace BrowserMenuRegistration {

const QVector<Entry> &entries() {
    static const QVector<Entry> list = {
        {QStringLiteral("Using Moorquill to download"), QStringLiteral("mq_url.htm"), 34},
        {QStringLiteral("Using Moorquill to search"), QStringLiteral("mq_search.htm"), 243}};
    return list;
}

QString keyPathOf(const Entry &entry) {
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\") +
           entry.caption;
}

QString scriptPath(const QString &programFolder, QChar separator, const QString &script) {
    return programFolder + separator + script;
}

int registerEntries(RegistryStore &store, const QString &programFolder, QChar separator) {
    int written = 0;
    for (const Entry &entry : entries()) {
        const QString key = keyPathOf(entry);
        // Each step is tried whatever the one before gave.
        const bool created = store.createKey(key);
        const bool script =
            store.setString(key, QString(), scriptPath(programFolder, separator, entry.script));
        const bool contexts = store.setNumber(key, QStringLiteral("Contexts"), entry.contexts);
        if (created && script && contexts) ++written;
    }
    return written;
}

} // namespace BrowserMenuRegistration
