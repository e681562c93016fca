#include "ui/LogBandProxy.h"

#include "engine/JobLog.h"
#include "jobs/ListRowModel.h"

#include <QBrush>
#include <QColor>

LogBandProxy::LogBandProxy(QAbstractItemModel *source, QObject *parent)
    : QIdentityProxyModel(parent) {
    setSourceModel(source);
}

QVariant LogBandProxy::data(const QModelIndex &index, int role) const {
    if (role != Qt::BackgroundRole) return QIdentityProxyModel::data(index, role);
    bool ok = false;
    const int icon = index.siblingAtColumn(0).data(ListRowModel::TagRole).toString().toInt(&ok);
    int red, green, blue;
    if (!ok || icon < 0 || icon > 255 || !JobLog::BandColour(quint8(icon), &red, &green, &blue))
        return {};
    return QBrush(QColor(red, green, blue));
}
