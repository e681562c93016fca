#pragma once

#include <QList>
#include <QString>

class ListRowModel;
class QTreeView;
class QWidget;

// A report-style list over core rows: a flat tree view with a header,
// full-row selection and the rows' icon keys shown as pictures.
QTreeView *makeReportList(const QString &name, ListRowModel *rows, const QList<int> &widths,
                          QWidget *parent);
// The job index of the current row of a report list (its key's leading number), 0 when none.
int currentJobOf(const QTreeView *view);
