#pragma once

#include <QIdentityProxyModel>

// Lays the rows of a log list on coloured bands: each row's background is
// the band colour that `colour` gives the icon code held in the row's tag
// (none where it returns false).
class LogBandProxy : public QIdentityProxyModel {
    Q_OBJECT
public:
    using BandColour = bool (*)(quint8 icon, int *red, int *green, int *blue);
    LogBandProxy(QAbstractItemModel *source, BandColour colour, QObject *parent = nullptr);
    QVariant data(const QModelIndex &index, int role) const override;

private:
    BandColour m_colour;
};
