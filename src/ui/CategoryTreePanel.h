#pragma once

#include <QTreeView>

class CategoryStore;
class MainView;

// `tvNa`: the category tree. Selecting a node runs the view's node-click
// handling; the model's image keys are shown as pictures.
class CategoryTreePanel : public QTreeView {
    Q_OBJECT
public:
    CategoryTreePanel(CategoryStore &store, MainView &view, QWidget *parent = nullptr);

    // Makes the node current and runs the node-click handling for it.
    void selectKey(const QString &key);
    QString currentKey() const;
    QModelIndex viewIndexOf(const QString &key) const;

private:
    void nodeClicked(const QModelIndex &index);
    CategoryStore &m_store;
    MainView &m_view;
    bool m_changedByPress = false;
};
