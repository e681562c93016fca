#pragma once

#include "movies/MovieFacts.h"
#include "movies/SwfSource.h"

#include <QSet>
#include <QStringList>

class QIODevice;

struct SwfScanOptions {
    // Movies declaring a larger body are damaged without being read.
    qint64 maxBody = qint64(1) << 30;
    // Collect the addresses named in the movie's code (MovieDeps).
    bool names = false;
    // Code tags larger than this are passed over when collecting names.
    qint64 maxCodeTag = 16 * 1024 * 1024;
    // At most this many names are kept.
    int maxNames = 1000;
};

// Reads a movie file from start to end once, in order: its header and
// first tags give the facts, the walk over every tag header (and, for a
// compressed movie, the whole decompressed stream) gives the verdict. Work
// is done in slices so that a caller on the event loop can yield between
// them; memory stays bounded whatever the file declares.
class SwfScan {
public:
    SwfScan(QIODevice &file, SwfScanOptions options = {});

    // Reads on for about `budget` bytes (read, decompressed or sought over);
    // true once the verdict is in.
    bool step(qint64 budget);
    // Steps to the end.
    void run();

    const MovieFacts &facts() const { return m_facts; }
    // The addresses named in the code, in order of appearance.
    const QStringList &names() const { return m_names; }

private:
    enum class Phase { Start, Tags, Drain, Done };
    void start();
    void nextTag(qint64 stop);
    void readCode(int code, qint64 length);
    void collect(const QByteArray &text);
    void drain(qint64 stop);
    void finish();
    bool readExactly(QByteArray &into, qint64 n);

    QIODevice &m_file;
    SwfScanOptions m_options;
    SwfSource m_source;
    MovieFacts m_facts;
    QStringList m_names;
    QSet<QString> m_seenNames;
    Phase m_phase = Phase::Start;
    qint64 m_skipLeft = 0;  // the rest of the tag being passed over
    QString m_tagProblem;   // why the tags do not run to an End tag
    QString m_startProblem; // why the body could not be read at all
    bool m_fileAttributesSeen = false;
};
