#pragma once

#include <QString>

struct DownJobRecord;

// A finished job whose movie is damaged becomes a waiting job again, to be
// fetched anew under the same name: the damaged file is kept beside it as
// "<name>.damaged" (replacing an older one), so nothing is lost if the new
// download fails too. Returns an error text (and changes nothing) when the
// file cannot be moved aside.
QString prepareRefetch(DownJobRecord &record);
