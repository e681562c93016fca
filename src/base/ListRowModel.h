#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVector>

// The rows of a report-style list: each row has a key (e.g. "5NowDown"), a
// text (column 0), sub-items (columns 1..n), a small-icon key and a tag.
// The logic works on these rows; the GUI shows them with a view and maps the
// icon keys to pictures.
class ListRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1,
        TagRole,
        IconKeyRole, // on column 0
    };

    struct Column {
        QString key;
        QString header;
        Qt::Alignment alignment = Qt::AlignLeft;
    };

    struct Row {
        QString key;
        QString text;
        QString iconKey;
        QStringList subItems; // index 0 is column 1
        QString tag;
    };

    explicit ListRowModel(QObject *parent = nullptr);

    void setColumns(const QVector<Column> &columns);
    const QVector<Column> &columns() const { return m_columns; }
    void setHeaderText(int column, const QString &text);

    // Appends a row and returns its number (0-based). An existing key is
    // refused with -1, as keys are unique within a list.
    int addRow(const QString &key, const QString &text = {}, const QString &iconKey = {});
    bool removeRowByKey(const QString &key);
    void clear();

    int count() const { return int(m_rows.size()); }
    int rowOfKey(const QString &key) const; // -1 when absent
    const Row &row(int r) const { return m_rows[r]; }

    void setText(int r, const QString &text);
    void setSubItem(int r, int column, const QString &text); // column >= 1
    QString subItem(int r, int column) const;
    void setIconKey(int r, const QString &iconKey);
    void setTag(int r, const QString &tag);
    void appendTag(int r, const QString &text);

    // The job index carried by a row key: its leading number (0 when none).
    static int leadingNumber(const QString &key);

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void changed(int r, int column);
    QVector<Column> m_columns;
    QVector<Row> m_rows;
    QHash<QString, int> m_keyRows; // row of each non-empty key: lists of 30,000 jobs
};
