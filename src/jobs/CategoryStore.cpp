#include "jobs/CategoryStore.h"

#include <algorithm>

namespace {
// Takes a subtree apart level by level: destroying a deep tree through the
// nested owners would recurse once per level.
void destroyDeep(std::unique_ptr<CategoryStore::Node> top) {
    std::vector<std::unique_ptr<CategoryStore::Node>> pending;
    pending.push_back(std::move(top));
    while (!pending.empty()) {
        std::unique_ptr<CategoryStore::Node> node = std::move(pending.back());
        pending.pop_back();
        for (auto &child : node->children)
            pending.push_back(std::move(child));
    }
}
} // namespace

CategoryStore::CategoryStore(QObject *parent) : QAbstractItemModel(parent) {}
CategoryStore::~CategoryStore() {
    clearNodes();
}

void CategoryStore::clearNodes() {
    for (auto &root : m_roots)
        destroyDeep(std::move(root));
    m_roots.clear();
    m_byKey.clear();
}

std::vector<std::unique_ptr<CategoryStore::Node>> &CategoryStore::siblingsOf(Node *parent) {
    return parent ? parent->children : m_roots;
}

int CategoryStore::rowOf(const Node *node) const {
    const auto &list = node->parent ? node->parent->children : m_roots;
    const size_t hint = size_t(node->rowHint);
    if (hint < list.size() && list[hint].get() == node) return node->rowHint;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].get() == node) {
            node->rowHint = int(i);
            return int(i);
        }
    }
    return -1;
}

CategoryStore::Node *CategoryStore::addNode(const QString &parentKey, const QString &key,
                                            const QString &text, const QString &image,
                                            const QString &selectedImage, const QString &tag) {
    if (key.isEmpty() || contains(key)) return nullptr;
    Node *parentNode = nullptr;
    if (!parentKey.isEmpty()) {
        parentNode = find(parentKey);
        if (!parentNode) return nullptr;
    }
    auto &list = siblingsOf(parentNode);
    const QModelIndex parentIndex = parentNode ? indexOf(parentKey) : QModelIndex();
    beginInsertRows(parentIndex, int(list.size()), int(list.size()));
    auto node = std::make_unique<Node>();
    node->key = key;
    node->text = text;
    node->image = image;
    node->selectedImage = selectedImage;
    node->tag = tag;
    node->parent = parentNode;
    node->rowHint = int(list.size());
    Node *raw = node.get();
    m_byKey.insert(key, raw);
    list.push_back(std::move(node));
    endInsertRows();
    return raw;
}

void CategoryStore::clear() {
    beginResetModel();
    clearNodes();
    endResetModel();
}

CategoryStore::Node *CategoryStore::find(const QString &key) const {
    return m_byKey.value(key, nullptr);
}

void CategoryStore::forgetSubtree(Node *node) {
    std::vector<Node *> stack{node};
    while (!stack.empty()) {
        Node *n = stack.back();
        stack.pop_back();
        m_byKey.remove(n->key);
        for (auto &child : n->children)
            stack.push_back(child.get());
    }
}

QVector<CategoryStore::Node *> CategoryStore::preOrder() const {
    QVector<Node *> out;
    std::vector<Node *> stack;
    for (auto it = m_roots.rbegin(); it != m_roots.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        Node *node = stack.back();
        stack.pop_back();
        out.append(node);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            stack.push_back(it->get());
    }
    return out;
}

void CategoryStore::setText(const QString &key, const QString &text) {
    if (Node *node = find(key)) {
        node->text = text;
        const QModelIndex idx = indexOf(key);
        emit dataChanged(idx, idx);
    }
}

void CategoryStore::setTag(const QString &key, const QString &tag) {
    if (Node *node = find(key)) {
        node->tag = tag;
        const QModelIndex idx = indexOf(key);
        emit dataChanged(idx, idx);
    }
}

void CategoryStore::setAllTags(const QString &tag) {
    for (Node *node : preOrder())
        setTag(node->key, tag);
}

bool CategoryStore::removeNode(const QString &key) {
    Node *node = find(key);
    if (!node) return false;
    const int row = rowOf(node);
    auto &list = siblingsOf(node->parent);
    beginRemoveRows(indexOf(key).parent(), row, row);
    forgetSubtree(node);
    std::unique_ptr<Node> owned = std::move(list[size_t(row)]);
    list.erase(list.begin() + row);
    endRemoveRows();
    destroyDeep(std::move(owned));
    return true;
}

bool CategoryStore::moveNode(const QString &key, const QString &newParentKey) {
    Node *node = find(key);
    Node *target = find(newParentKey);
    if (!node || !target) return false;
    for (Node *p = target; p; p = p->parent)
        if (p == node) return false; // cannot move a node below itself
    const int from = rowOf(node);
    auto &fromList = siblingsOf(node->parent);
    const int to = int(target->children.size());
    if (!beginMoveRows(indexOf(key).parent(), from, from, indexOf(newParentKey), to)) return false;
    std::unique_ptr<Node> owned = std::move(fromList[size_t(from)]);
    fromList.erase(fromList.begin() + from);
    owned->parent = target;
    owned->rowHint = int(target->children.size());
    target->children.push_back(std::move(owned));
    endMoveRows();
    return true;
}

QModelIndex CategoryStore::indexOf(const QString &key) const {
    Node *node = find(key);
    return node ? createIndex(rowOf(node), 0, node) : QModelIndex();
}

CategoryStore::Node *CategoryStore::nodeAt(const QModelIndex &index) const {
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : nullptr;
}

QModelIndex CategoryStore::index(int row, int column, const QModelIndex &parent) const {
    if (column != 0 || row < 0) return {};
    const auto &list = parent.isValid() ? nodeAt(parent)->children : m_roots;
    if (row >= int(list.size())) return {};
    return createIndex(row, 0, list[size_t(row)].get());
}

QModelIndex CategoryStore::parent(const QModelIndex &child) const {
    Node *node = nodeAt(child);
    if (!node || !node->parent) return {};
    return createIndex(rowOf(node->parent), 0, node->parent);
}

int CategoryStore::rowCount(const QModelIndex &parent) const {
    if (parent.column() > 0) return 0;
    return int(parent.isValid() ? nodeAt(parent)->children.size() : m_roots.size());
}

int CategoryStore::columnCount(const QModelIndex &) const {
    return 1;
}

QVariant CategoryStore::data(const QModelIndex &index, int role) const {
    const Node *node = nodeAt(index);
    if (!node) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->text;
    case KeyRole:
        return node->key;
    case TagRole:
        return node->tag;
    case ImageRole:
        return node->image;
    case SelectedImageRole:
        return node->selectedImage;
    default:
        return {};
    }
}
