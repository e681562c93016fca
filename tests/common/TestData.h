#pragma once

// Small makers of test data the tests share.
#include "jobs/DownJobRecord.h"

#include <QByteArray>
#include <QString>

// A job of `category` in `state` fetching `url`; its file is named after the
// URL's last segment, in `folder`.
inline DownJobRecord testJob(const QString &category, int state, const QString &url,
                             const QString &folder = QStringLiteral("/down/")) {
    DownJobRecord r;
    r.CategoryKey = category;
    r.State = state;
    r.Url = url;
    r.FileName = url.section(QLatin1Char('/'), -1);
    r.SavePath = folder + r.FileName;
    return r;
}

// A page element that shows a Flash movie.
inline QByteArray embed(const QByteArray &src) {
    return "<embed src=\"" + src + "\" type=\"application/x-shockwave-flash\"></embed>";
}
