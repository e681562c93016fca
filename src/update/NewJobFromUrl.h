#pragma once

#include <QString>

struct AppCore;

// Adds a download job for `url` as a plain new download: category
// "Downloaded", the download folder, the name from the URL, the setting's
// parts and user agent, waiting (state 3), listed through AddJobToList.
// Returns the job's index, 0 when the URL is empty.
int AddJobFromUrl(AppCore &core, const QString &url);
