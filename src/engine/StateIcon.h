#pragma once

#include <QString>

class ListRowModel;

// SetStateIcon: the row's small icon for a job state: "Start" (1), "Pause"
// (2), "Waitfor" (3), "Error" (5); state 4 and a missing row change nothing.
void SetStateIcon(ListRowModel &list, const QString &rowKey, qint32 state);
