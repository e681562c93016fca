#pragma once

#include <QString>
#include <QStringList>

// The movies of the last browser-page scan, waiting for the save dialog.
struct FoundMovieList {
    QStringList FoundMovies; // movie addresses, page order
    int FoundCount = 0;      // > 0: the list waits for the save dialog
    QString FoundBrowser;    // the browser that showed that page (its cache is searched first)
};
