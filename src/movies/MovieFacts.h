#pragma once

#include <QJsonObject>
#include <QString>

// What a Flash movie file is, as read from its bytes, and whether it is whole.
struct MovieFacts {
    QString signature; // "FWS" plain, "CWS" zlib, "ZWS" LZMA; empty when the file is no movie
    int version = 0;
    int width = 0; // stage size in pixels
    int height = 0;
    double frameRate = 0;
    int frameCount = 0;
    bool as3 = false; // FileAttributes says ActionScript 3
    QString title;    // from the Metadata tag
    QString description;
    qint64 declaredLength = 0; // the length the header gives (uncompressed)
    qint64 length = 0;         // the real (uncompressed) length, as far as it could be read
    int tags = 0;              // tags of the main timeline read
    bool whole = false;
    QString problem; // why the movie is not whole

    QJsonObject toJson() const;
    static MovieFacts fromJson(const QJsonObject &json);
};
