#pragma once

#include <QByteArray>
#include <QString>
#include <limits>
#include <memory>

class QIODevice;

// The body of a Flash movie file (what follows its 8-byte header), read in
// order and decompressed on the way: plain ("FWS") bodies straight from the
// file, skipping by seeking; zlib ("CWS") and LZMA ("ZWS") bodies through a
// streaming decoder that never holds more than a few hundred kilobytes.
class SwfSource {
public:
    // How the body ended, once read() or skip() gave fewer bytes than asked.
    enum class End {
        More,    // not at the end yet
        Clean,   // the end of the file, or the compressed stream's own end
        Short,   // the compressed data broke off before the stream's end
        Damaged, // the decoder found bad data (damage() says what)
        Limit,   // the limit was reached with data left
    };

    explicit SwfSource(QIODevice &file);
    ~SwfSource();
    SwfSource(const SwfSource &) = delete;
    SwfSource &operator=(const SwfSource &) = delete;

    // Reads the header. False when the file holds no movie signature or
    // is too short for a header; problem() says which.
    bool open();
    QString problem() const { return m_problem; }
    char signature() const { return m_signature; }
    int version() const { return m_version; }
    quint32 declaredLength() const { return m_declared; }

    // At most this many body bytes are delivered (set after open()).
    void setLimit(qint64 bodyBytes) { m_limit = bodyBytes; }
    // Up to `n` body bytes; fewer only at the end (see end()).
    qint64 read(char *out, qint64 n);
    // Passes over up to `n` body bytes; returns how many there were.
    qint64 skip(qint64 n);
    qint64 position() const { return m_position; }
    // The streaming decoder behind a compressed body.
    class Decoder;

    End end() const { return m_end == End::More && m_position >= m_limit ? End::Limit : m_end; }
    QString damage() const { return m_damage; }

private:
    bool fillInput();
    qint64 pull(char *out, qint64 n); // out == nullptr discards
    qint64 pullPlain(char *out, qint64 n);
    bool decodeMore();

    QIODevice &m_file;
    std::unique_ptr<Decoder> m_decoder;
    QByteArray m_in; // raw bytes from the file
    qint64 m_inPos = 0, m_inLen = 0;
    bool m_fileEnded = false;
    qint64 m_fileSize = 0;
    qint64 m_fill;    // how much the next fillInput() asks for
    QByteArray m_out; // decoded bytes not yet delivered
    qint64 m_outPos = 0, m_outLen = 0;
    qint64 m_decoded = 0;  // decoded so far
    qint64 m_position = 0; // delivered so far
    qint64 m_limit = std::numeric_limits<qint64>::max();
    End m_end = End::More;
    QString m_problem, m_damage;
    char m_signature = 0;
    int m_version = 0;
    quint32 m_declared = 0;
};
