#pragma once

#include <QString>
#include <QVector>

// One link of the page, as the browser extension lists it for "all".
struct HandOffLink {
    QString url;
    QString text;
};

// What the browser extension hands to the running program through the
// native-messaging host and the per-user local socket. `text` is the
// one-line hand-off text ("down"/"search"/"all" + the my_qtr_ fields) that
// goes into the main window's Text1; the rest travels beside it.
struct HandOffMessage {
    QString text;
    QVector<HandOffLink> links; // the page's A elements, for "all"
    QString cookies;            // Cookie header value for the link's site; kept in memory only
    QString userAgent;          // the browser's User-Agent, stored in the job
};
