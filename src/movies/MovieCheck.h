#pragma once

#include "movies/MovieCache.h"

#include <QCryptographicHash>
#include <QFile>
#include <memory>

class SwfScan;

// Completes a movie's entry: facts, verdict and names (one SwfScan), then
// the SHA-256 of its bytes. Done in slices, so that the event loop can run
// between them; whatever the entry already holds is not done again.
class MovieCheck {
public:
    explicit MovieCheck(const MovieEntry &entry, bool hash = true);
    ~MovieCheck();

    // Works on for about `budget` bytes; true when the entry is complete
    // (or the file could not be read: error() says why).
    bool step(qint64 budget);
    const MovieEntry &entry() const { return m_entry; }
    QString error() const { return m_error; }

    // The whole check at once.
    static MovieEntry run(const MovieEntry &entry, bool hash = true);
    // The cached entry of `path`, completed (and stored) when it lacks
    // something; `error` says why a file could not be read.
    static MovieEntry complete(const MovieCache &cache, const QString &path, bool hash,
                               QString *error = nullptr);

private:
    bool open();
    MovieEntry m_entry;
    bool m_hash;
    QFile m_file;
    std::unique_ptr<SwfScan> m_scan;
    QCryptographicHash m_sha{QCryptographicHash::Sha256};
    bool m_hashing = false;
    QString m_error;
};
