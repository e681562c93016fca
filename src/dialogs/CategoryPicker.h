#pragma once

#include <QTreeView>

class CategoryStore;
class QComboBox;
class QStandardItemModel;

// `tvClass`: a copy of the category tree from "Downloaded" down, for choosing
// a category in the editing dialogs.
class CategoryPicker : public QTreeView {
    Q_OBJECT
public:
    CategoryPicker(const CategoryStore &tree, const QString &selectedKey,
                   QWidget *parent = nullptr);

    QString currentKey() const;
    bool selectKey(const QString &key);

signals:
    void categoryChosen(const QString &key);

private:
    QStandardItemModel *m_model;
};

// `cmbClass`: "Downloaded" and the categories below it, each with its key as
// item data; selects `selectedKey` when listed.
void fillCategoryCombo(QComboBox *combo, const CategoryStore &tree, const QString &selectedKey);
// The folder of a category (its tag), empty when unknown.
QString categoryFolder(const CategoryStore &tree, const QString &key);
