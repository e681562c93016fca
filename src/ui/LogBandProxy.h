#pragma once

#include <QIdentityProxyModel>

// Lays the rows of a log list on coloured bands: each row's background is
// the band colour of the icon code held in its tag (none for codes without
// a colour).
class LogBandProxy : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit LogBandProxy(QAbstractItemModel *source, QObject *parent = nullptr);
    QVariant data(const QModelIndex &index, int role) const override;
};
