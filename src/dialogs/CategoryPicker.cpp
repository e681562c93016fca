#include "dialogs/CategoryPicker.h"

#include "jobs/CategoryStore.h"
#include "jobs/CategoryTree.h"

#include <QComboBox>
#include <QStandardItemModel>

namespace {
constexpr int kKeyRole = Qt::UserRole + 1;

void addCopy(const CategoryStore::Node *node, QStandardItem *into) {
    auto *item = new QStandardItem(node->text);
    item->setData(node->key, kKeyRole);
    item->setEditable(false);
    into->appendRow(item);
    for (const auto &child : node->children)
        addCopy(child.get(), item);
}

QModelIndex findKey(const QStandardItemModel *model, const QString &key) {
    const QModelIndexList hits =
        model->match(model->index(0, 0), kKeyRole, key, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return hits.isEmpty() ? QModelIndex() : hits.first();
}

void addComboRows(QComboBox *combo, const CategoryStore::Node *node, int depth) {
    combo->addItem(QString(depth * 2, QLatin1Char(' ')) + node->text, node->key);
    for (const auto &child : node->children)
        addComboRows(combo, child.get(), depth + 1);
}
} // namespace

CategoryPicker::CategoryPicker(const CategoryStore &tree, const QString &selectedKey,
                               QWidget *parent)
    : QTreeView(parent), m_model(new QStandardItemModel(this)) {
    setObjectName(QStringLiteral("tvClass"));
    setHeaderHidden(true);
    setModel(m_model);
    if (const CategoryStore::Node *downloaded = tree.find(TreeKey::Downloaded))
        addCopy(downloaded, m_model->invisibleRootItem());
    expandAll();
    if (!selectKey(selectedKey)) selectKey(TreeKey::Downloaded);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                emit categoryChosen(current.data(kKeyRole).toString());
            });
}

QString CategoryPicker::currentKey() const {
    return currentIndex().data(kKeyRole).toString();
}

bool CategoryPicker::selectKey(const QString &key) {
    const QModelIndex index = findKey(m_model, key);
    if (!index.isValid()) return false;
    setCurrentIndex(index);
    return true;
}

void fillCategoryCombo(QComboBox *combo, const CategoryStore &tree, const QString &selectedKey) {
    combo->clear();
    if (const CategoryStore::Node *downloaded = tree.find(TreeKey::Downloaded))
        addComboRows(combo, downloaded, 0);
    const int row = combo->findData(selectedKey);
    combo->setCurrentIndex(row >= 0 ? row : 0);
}

QString categoryFolder(const CategoryStore &tree, const QString &key) {
    const CategoryStore::Node *node = tree.find(key);
    return node ? node->tag : QString();
}
