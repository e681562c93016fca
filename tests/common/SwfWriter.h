#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// Writes small Flash movies for the tests: a stage with a background colour
// and a square that moves one step per frame, optionally a stop() action on
// one frame, or an ActionScript 3 stub (FileAttributes with the AS3 flag and
// no code).
struct SwfRecipe {
    int version = 6;
    int width = 320; // pixels
    int height = 240;
    double frameRate = 12;
    int frames = 10;
    quint32 background = 0x3060a0; // 0xRRGGBB
    quint32 foreground = 0xffd040; // the square
    int stopFrame = 0;             // 1-based frame that runs stop(); 0 for none
    bool actionScript3 = false;
    char compression = 'F'; // 'F' plain, 'C' zlib, 'Z' LZMA
    // Files the first frame loads (named in a constant pool, each loaded
    // into a level of its own; the last into level 0, replacing the movie).
    QStringList loads;
    QByteArray extraTags; // whole tags (swfTag) placed before the first frame
};

QByteArray makeSwf(const SwfRecipe &recipe);
// The same movie stored another way ('F' plain, 'C' zlib, 'Z' LZMA); empty
// when `movie` cannot be decompressed.
QByteArray recompressSwf(const QByteArray &movie, char compression);
// One tag: its code and data behind a short or long header.
QByteArray swfTag(int code, const QByteArray &data);
