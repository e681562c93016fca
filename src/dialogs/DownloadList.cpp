#include "dialogs/DownloadList.h"

#include "jobs/JobTable.h"
#include "platform/Cp1252.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace DownloadList {

QByteArray exportBytes(const JobTable &jobs, const QString &categoryKey) {
    QByteArray out;
    for (int i = 1; i <= jobs.DownCount(); ++i)
        if (jobs[i].CategoryKey == categoryKey) out += Cp1252::encode(jobs[i].Url) + "\r\n";
    return out;
}

bool exportToFile(const JobTable &jobs, const QString &categoryKey, const QString &path,
                  QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(exportBytes(jobs, categoryKey)) < 0 ||
        !file.commit()) {
        if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

namespace {
QString decodeText(const QByteArray &bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return Cp1252::decode(bytes);
}

bool isWebUrl(const QString &line) {
    return line.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           line.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}
} // namespace

ReadResult parse(const QByteArray &bytes) {
    ReadResult out;
    QString text = decodeText(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    if (text.isEmpty()) return out;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (isWebUrl(line) && line.size() > 8)
            out.urls.append(line);
        else
            ++out.skipped;
    }
    return out;
}

bool readFile(const QString &path, ReadResult *out, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        *error = QStringLiteral("%1 is too large for a download list (more than %2 MB).")
                     .arg(path)
                     .arg(kMaxFileBytes / (1024 * 1024));
        return false;
    }
    *out = parse(file.readAll());
    return true;
}

} // namespace DownloadList
