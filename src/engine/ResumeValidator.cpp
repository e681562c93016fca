#include "engine/ResumeValidator.h"

#include "engine/HttpExchange.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
constexpr qint64 kMaxSideFile = 16 * 1024 * 1024;

QJsonObject readSide(const QString &file) {
    QFile f(file);
    if (f.size() > kMaxSideFile || !f.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}
} // namespace

void ResumeValidator::takeFrom(const QString &header) {
    m_etag = HttpExchange::FieldValue(header, QStringLiteral("ETag:"));
    m_lastModified = HttpExchange::FieldValue(header, QStringLiteral("Last-Modified:"));
}

void ResumeValidator::clear() {
    m_etag.clear();
    m_lastModified.clear();
}

QString ResumeValidator::ifRange() const {
    // A weak ETag may not be used in If-Range.
    if (!m_etag.isEmpty() && !m_etag.startsWith(QLatin1String("W/"))) return m_etag;
    return m_lastModified;
}

void ResumeValidator::load(const QString &dbPath, const QString &savePath) {
    clear();
    if (dbPath.isEmpty()) return;
    const QJsonObject entry = readSide(SideFile(dbPath)).value(savePath).toObject();
    m_etag = entry.value(QStringLiteral("etag")).toString();
    m_lastModified = entry.value(QStringLiteral("lastModified")).toString();
}

void ResumeValidator::store(const QString &dbPath, const QString &savePath) const {
    if (dbPath.isEmpty()) return;
    QJsonObject all = readSide(SideFile(dbPath));
    // Entries of files that are gone (completed and renamed, deleted) go too.
    for (auto it = all.begin(); it != all.end();)
        it = QFileInfo::exists(it.key()) ? it + 1 : all.erase(it);
    if (m_etag.isEmpty() && m_lastModified.isEmpty()) {
        if (!all.contains(savePath)) return;
        all.remove(savePath);
    } else {
        all.insert(savePath, QJsonObject{{QStringLiteral("etag"), m_etag},
                                         {QStringLiteral("lastModified"), m_lastModified}});
    }
    QSaveFile out(SideFile(dbPath));
    if (out.open(QIODevice::WriteOnly)) {
        out.write(QJsonDocument(all).toJson(QJsonDocument::Compact));
        out.commit();
    }
}

bool ResumeValidator::SameSize(const QString &header, qint64 size) {
    const QString range = HttpExchange::FieldValue(header, QStringLiteral("Content-Range:"));
    const int slash = int(range.lastIndexOf(QLatin1Char('/')));
    if (slash < 0) return true;
    const QString total = range.mid(slash + 1).trimmed();
    if (total.isEmpty() || total == QLatin1String("*")) return true;
    return HttpExchange::LeadingNumber(total) == size;
}
