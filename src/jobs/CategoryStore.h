#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QString>
#include <QVector>
#include <memory>

// The category tree: fixed nodes, user categories and the history branch.
// Every node has a unique key, a text, an image key, a selected-image key and a
// tag (its download folder). The tree view of the main window shows this model;
// it maps image keys to pictures.
class CategoryStore : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1,
        TagRole,
        ImageRole,         // image key, e.g. "1" .. "7", "History"
        SelectedImageRole, // image key shown while selected
    };

    struct Node {
        QString key;
        QString text;
        QString image;
        QString selectedImage;
        QString tag;
        Node *parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        mutable int rowHint = 0; // where the node last was among its siblings
    };

    explicit CategoryStore(QObject *parent = nullptr);
    ~CategoryStore() override;

    // Adds a node as the last child of parentKey (an empty parentKey adds a
    // root). Refuses a duplicate key or an unknown parent and returns nullptr.
    Node *addNode(const QString &parentKey, const QString &key, const QString &text,
                  const QString &image, const QString &selectedImage, const QString &tag = {});
    void clear();

    Node *find(const QString &key) const;
    bool contains(const QString &key) const { return find(key) != nullptr; }
    const std::vector<std::unique_ptr<Node>> &roots() const { return m_roots; }
    // All nodes in pre-order (each node before its children).
    QVector<Node *> preOrder() const;

    void setText(const QString &key, const QString &text);
    void setTag(const QString &key, const QString &tag);
    void setAllTags(const QString &tag);
    bool removeNode(const QString &key); // with its children
    // Moves a node (with its subtree) to be the last child of newParentKey.
    bool moveNode(const QString &key, const QString &newParentKey);

    QModelIndex indexOf(const QString &key) const;
    Node *nodeAt(const QModelIndex &index) const;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    int rowOf(const Node *node) const;
    std::vector<std::unique_ptr<Node>> &siblingsOf(Node *parent);
    void forgetSubtree(Node *node);
    void clearNodes();
    std::vector<std::unique_ptr<Node>> m_roots;
    QHash<QString, Node *> m_byKey; // every node by its key
};
