#include "kit/IconKeyProxy.h"

#include "kit/IconSet.h"

IconKeyProxy::IconKeyProxy(QAbstractItemModel *source, int keyRole, int selectedKeyRole,
                           QObject *parent)
    : QIdentityProxyModel(parent), m_keyRole(keyRole), m_selectedKeyRole(selectedKeyRole) {
    setSourceModel(source);
}

QVariant IconKeyProxy::data(const QModelIndex &index, int role) const {
    if (role == Qt::DecorationRole && index.column() == 0) {
        const QString key = QIdentityProxyModel::data(index, m_keyRole).toString();
        if (key.isEmpty()) return {};
        const QString selected =
            m_selectedKeyRole < 0 ? key
                                  : QIdentityProxyModel::data(index, m_selectedKeyRole).toString();
        return IconSet::icon(key, selected);
    }
    return QIdentityProxyModel::data(index, role);
}
