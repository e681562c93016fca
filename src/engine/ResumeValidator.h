#pragma once

#include <QString>

// Whether a continued download still talks about the same file. The first
// answer's ETag and Last-Modified are kept for the run and in a side file
// next to the job database ("<database>.resume", JSON keyed by the job's
// save path), so that they survive a restart; continuing requests send
// them in If-Range, and every "206" must announce the job's size in its
// Content-Range.
class ResumeValidator {
public:
    // The validators of a first answer's header.
    void takeFrom(const QString &header);
    void clear();
    // The If-Range value: a strong ETag, else Last-Modified, else empty.
    QString ifRange() const;

    // Reads or writes the entry of `savePath` in the side file of the job
    // database `dbPath` (nothing happens when dbPath is empty).
    void load(const QString &dbPath, const QString &savePath);
    void store(const QString &dbPath, const QString &savePath) const;

    // Whether a "206" header's Content-Range total is `size` (true when the
    // header has no readable total: nothing contradicts it).
    static bool SameSize(const QString &header, qint64 size);
    static QString SideFile(const QString &dbPath) { return dbPath + QStringLiteral(".resume"); }

private:
    QString m_etag;
    QString m_lastModified;
};
