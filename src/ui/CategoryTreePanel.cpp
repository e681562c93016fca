#include "ui/CategoryTreePanel.h"

#include "base/OleDate.h"
#include "jobs/CategoryStore.h"
#include "jobs/MainView.h"
#include "kit/IconKeyProxy.h"

#include <QIdentityProxyModel>

#include <QGuiApplication>

CategoryTreePanel::CategoryTreePanel(CategoryStore &store, MainView &view, QWidget *parent)
    : QTreeView(parent), m_store(store), m_view(view) {
    setObjectName(QStringLiteral("tvNa"));
    setModel(
        new IconKeyProxy(&store, CategoryStore::ImageRole, CategoryStore::SelectedImageRole, this));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::CustomContextMenu);
    // A click on the node that is already current runs the handling again; a
    // click that changes the current node runs it once, through currentChanged.
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        if (!m_changedByPress) nodeClicked(index);
        m_changedByPress = false;
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                m_changedByPress = QGuiApplication::mouseButtons() != Qt::NoButton;
                if (current.isValid()) nodeClicked(current);
            });
}

void CategoryTreePanel::nodeClicked(const QModelIndex &index) {
    const QString key = index.data(CategoryStore::KeyRole).toString();
    if (!key.isEmpty()) m_view.selectNode(key, OleDate::now());
}

QModelIndex CategoryTreePanel::viewIndexOf(const QString &key) const {
    return static_cast<QIdentityProxyModel *>(model())->mapFromSource(m_store.indexOf(key));
}

void CategoryTreePanel::selectKey(const QString &key) {
    const QModelIndex index = viewIndexOf(key);
    if (!index.isValid()) return;
    if (currentIndex() == index)
        nodeClicked(index);
    else
        setCurrentIndex(index); // runs the handling through currentChanged
}

QString CategoryTreePanel::currentKey() const {
    return currentIndex().data(CategoryStore::KeyRole).toString();
}
