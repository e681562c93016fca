#include "engine/StateIcon.h"

#include "jobs/ListRowModel.h"

void SetStateIcon(ListRowModel &list, const QString &rowKey, qint32 state) {
    const char *icon = nullptr;
    switch (state) {
    case 1:
        icon = "Start";
        break;
    case 2:
        icon = "Pause";
        break;
    case 3:
        icon = "Waitfor";
        break;
    case 5:
        icon = "Error";
        break;
    default:
        return;
    }
    const int row = list.rowOfKey(rowKey);
    if (row >= 0) list.setIconKey(row, QLatin1String(icon));
}
