#pragma once

#include <QByteArray>
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
    int stopFrame = 0;             // 1-based frame that runs stop(); 0 for none
    bool actionScript3 = false;
    char compression = 'F'; // 'F' plain, 'C' zlib, 'Z' LZMA
};

QByteArray makeSwf(const SwfRecipe &recipe);
