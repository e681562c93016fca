#pragma once

#include "search/SearchStores.h"

#include <QByteArray>
#include <QString>

class CategoryStore;

// "Process Web Page File": the analysis of a page saved on disk. Its
// relative addresses resolve against `baseUrl`; the movies found become
// waiting download jobs of the first category below "Downloaded" (in its
// folder, else `downloadFolder`), as a page search's do, with `userAgent`.
// Links are not followed.
namespace PageFile {

// The address of the page's first <base href=...>, or the empty text.
QString BaseHref(const QByteArray &page);

// Returns the number of movies that became jobs, or -1 when `baseUrl` is
// not usable (`error` then says why).
int Process(SearchStores stores, const CategoryStore &tree, const QString &downloadFolder,
            const QString &userAgent, const QByteArray &page, const QString &baseUrl,
            QString *error = nullptr);

} // namespace PageFile
