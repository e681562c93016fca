#pragma once

#include <QByteArray>
#include <QString>

// What the header of a Flash movie says. Every function here is a pure
// function over a byte buffer: any bytes at all give an answer (valid or an
// error text), never a crash, and never more memory than kMaxSwfBody.
struct SwfHeader {
    bool valid = false;
    QString error;          // why the bytes are not a movie, when not valid
    char signature = 0;     // 'F' plain, 'C' zlib, 'Z' LZMA
    int version = 0;        // the version byte
    quint32 fileLength = 0; // the length the header declares (uncompressed)
    int width = 0;          // stage size in pixels (twips / 20)
    int height = 0;
    double frameRate = 0; // frames per second (8.8 fixed point)
    int frameCount = 0;
    bool actionScript3 = false; // FileAttributes says ActionScript 3
};

// The largest uncompressed movie the functions below expand (bytes).
constexpr qsizetype kMaxSwfBody = 256 * 1024 * 1024;

// The dictionary to give an LZMA decoder of a "ZWS" movie: the header's
// `asked`, but never more than the output can refer back to. The output is at
// most `output` bytes and at most what `compressed` bytes can expand to (each
// match of 273 bytes costs the range coder a third of a bit at the very
// least), so a hostile header cannot make a short file allocate gigabytes.
quint32 swfLzmaDictionary(quint32 asked, quint64 output, quint64 compressed);

// Reads the stage, rate and count from the start of a movie's body (the
// bytes after its 8-byte header); returns the offset of the first tag, or -1
// when the body is too short.
qsizetype readSwfFrameHeader(const QByteArray &body, SwfHeader &h);

// Reads the header and the first tag (FileAttributes) of a plain, zlib ("CWS")
// or LZMA ("ZWS") movie; decompresses only the first bytes.
SwfHeader readSwfHeader(const QByteArray &bytes);

// The whole movie as a plain ("FWS") movie with a correct length field, or an
// empty array (and `error`) when it cannot be decompressed.
QByteArray uncompressedSwf(const QByteArray &bytes, QString *error = nullptr);

// The movie, uncompressed, with a DoAction before its first frame that
// registers the ExternalInterface callbacks "mqFrame" (returns the root
// timeline's current frame), "mqGotoPlay" and "mqGotoStop" (go to frame n of
// the root timeline and play or stop there) and "mqPlay" (plays the root
// timeline from where it stands). A version below 8 is raised to 8,
// which ExternalInterface needs. ActionScript 3 movies cannot be hooked: they
// (and damaged movies) give an empty array and `error`.
QByteArray hookedSwf(const QByteArray &bytes, QString *error = nullptr);
