#include "kit/LogBandProxy.h"

#include "base/ListRowModel.h"

#include <QBrush>
#include <QColor>

LogBandProxy::LogBandProxy(QAbstractItemModel *source, BandColour colour, QObject *parent)
    : QIdentityProxyModel(parent), m_colour(colour) {
    setSourceModel(source);
}

QVariant LogBandProxy::data(const QModelIndex &index, int role) const {
    if (role != Qt::BackgroundRole) return QIdentityProxyModel::data(index, role);
    bool ok = false;
    const int icon = index.siblingAtColumn(0).data(ListRowModel::TagRole).toString().toInt(&ok);
    int red, green, blue;
    if (!ok || icon < 0 || icon > 255 || !m_colour(quint8(icon), &red, &green, &blue)) return {};
    return QBrush(QColor(red, green, blue));
}
