#include "movies/MovieCheck.h"

#include "movies/SwfScan.h"

namespace {
constexpr qint64 kHashChunk = 1024 * 1024;
}

MovieCheck::MovieCheck(const MovieEntry &entry, bool hash) : m_entry(entry), m_hash(hash) {}

MovieCheck::~MovieCheck() = default;

MovieEntry MovieCheck::run(const MovieEntry &entry, bool hash) {
    MovieCheck check(entry, hash);
    while (!check.step(qint64(1) << 40)) {
    }
    return check.entry();
}

MovieEntry MovieCheck::complete(const MovieCache &cache, const QString &path, bool hash,
                                QString *error) {
    const MovieEntry stored = cache.load(path);
    if (stored.size < 0) {
        if (error) *error = QStringLiteral("cannot read %1: no such file").arg(path);
        return stored;
    }
    if (stored.checked && (!hash || !stored.sha256.isEmpty())) return stored;
    MovieCheck check(stored, hash);
    while (!check.step(qint64(1) << 40)) {
    }
    if (error) *error = check.error();
    if (check.error().isEmpty()) cache.store(check.entry());
    return check.entry();
}

bool MovieCheck::open() {
    if (m_file.isOpen()) return true;
    m_file.setFileName(m_entry.path);
    // Unbuffered: the reader asks for what it wants, a few bytes of a tag
    // header after a seek or large runs, and nothing is copied twice.
    if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return true;
    m_error = QStringLiteral("cannot read %1: %2").arg(m_entry.path, m_file.errorString());
    return false;
}

bool MovieCheck::step(qint64 budget) {
    if (!m_entry.checked) {
        if (!open()) return true;
        if (!m_scan) {
            SwfScanOptions options;
            options.names = true;
            m_scan = std::make_unique<SwfScan>(m_file, options);
        }
        if (!m_scan->step(budget)) return false;
        m_entry.facts = m_scan->facts();
        m_entry.names = m_scan->names();
        m_entry.checked = true;
        m_scan.reset();
        return !m_hash || !m_entry.sha256.isEmpty();
    }
    if (!m_hash || !m_entry.sha256.isEmpty()) return true;
    if (!open()) return true;
    if (!m_hashing) {
        m_file.seek(0);
        m_hashing = true;
    }
    QByteArray chunk(int(kHashChunk), '\0');
    for (qint64 done = 0; done < budget;) {
        const qint64 got = m_file.read(chunk.data(), chunk.size());
        if (got <= 0) {
            if (got < 0) {
                m_error =
                    QStringLiteral("cannot read %1: %2").arg(m_entry.path, m_file.errorString());
                return true;
            }
            m_entry.sha256 = QString::fromLatin1(m_sha.result().toHex());
            return true;
        }
        m_sha.addData(QByteArrayView(chunk.constData(), got));
        done += got;
    }
    return false;
}
