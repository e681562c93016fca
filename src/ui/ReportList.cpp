#include "ui/ReportList.h"

#include "base/ListRowModel.h"
#include "kit/IconKeyProxy.h"
#include "ui/Resizer.h"

#include <QHeaderView>
#include <QTreeView>

QTreeView *makeReportList(const QString &name, ListRowModel *rows, const QList<int> &widths,
                          QWidget *parent) {
    auto *view = new QTreeView(parent);
    view->setObjectName(name);
    view->setModel(new IconKeyProxy(rows, ListRowModel::IconKeyRole, -1, view));
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAlternatingRowColors(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAllColumnsShowFocus(true);
    view->setIconSize(QSize(16, 16));
    view->header()->setStretchLastSection(true);
    view->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < widths.size(); ++c)
        view->setColumnWidth(c, widths[c]);
    Resizer::markListView(view);
    return view;
}

int currentJobOf(const QTreeView *view) {
    const QModelIndex index = view->currentIndex();
    if (!index.isValid() || !view->selectionModel()->isRowSelected(index.row(), {})) return 0;
    return ListRowModel::leadingNumber(
        index.siblingAtColumn(0).data(ListRowModel::KeyRole).toString());
}
