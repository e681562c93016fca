#pragma once

#include <QIdentityProxyModel>

// Shows a core model's image keys as pictures: column 0's decoration comes
// from the key in `keyRole` (and, when set, the selected picture from
// `selectedKeyRole`).
class IconKeyProxy : public QIdentityProxyModel {
    Q_OBJECT
public:
    IconKeyProxy(QAbstractItemModel *source, int keyRole, int selectedKeyRole = -1,
                 QObject *parent = nullptr);
    QVariant data(const QModelIndex &index, int role) const override;

private:
    int m_keyRole;
    int m_selectedKeyRole;
};
