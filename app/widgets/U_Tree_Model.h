// The folder tree on screen: an item model over the database's tree and the
// view that shows it.
//
// The model shows user nodes only: a record's data node is its one hidden
// child, so a record has no rows. Every change of the tree goes through
// Change(), which keeps the view's selection and expanded folders on the same
// nodes, wherever the change moved them. The view asks the window, through
// plain callbacks, whether a drop is allowed and what a drop does; the rules
// themselves belong to the tree.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <QTreeView>

#include <functional>

#include "U_Keyvale_TreeView_Data_Tree.h"

class TKeyvaleTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit TKeyvaleTreeModel(TKeyvaleTree& tree, QObject* parent = nullptr);

    // The tree was replaced as a whole (load, close).
    void Reset();
    // Runs a change of the tree; nodes that survive it stay selected and
    // expanded, deleted ones drop out of the view.
    void Change(const std::function<void()>& change);
    // The node's name or icon changed, nothing else.
    void NodeChanged(TNodeHandle node);

    QModelIndex IndexOf(TNodeHandle node) const;
    TNodeHandle NodeOf(const QModelIndex& index) const;
    const TKeyvaleTree& Tree() const { return tree_; }

    // Called with the node and the typed name when an in-place edit ends; it
    // returns the name to keep.
    std::function<QString(TNodeHandle, const QString&)> renamed;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    bool IsShown(TNodeHandle node) const;
    TKeyvaleTree& tree_;
    QList<QIcon> images_; // o_Image_List_TV: folder, empty, record
};

// The mime type of a node dragged out of the folder tree: its handle.
inline constexpr const char* kTreeNodeMimeType = "application/x-keyvale-tree-node";

class TKeyvaleTreeView : public QTreeView {
    Q_OBJECT
  public:
    explicit TKeyvaleTreeView(QWidget* parent = nullptr);
    TKeyvaleTreeModel* TreeModel() const;

    TNodeHandle SelectedNode() const;
    // Selects the node, opening the folders above it; kNoNode clears the
    // selection. Returns false when the node is not shown.
    bool SelectNode(TNodeHandle node);
    TNodeHandle NodeAt(const QPoint& viewportPoint) const;
    // Ends an open in-place edit as Enter would, so that the typed name is
    // in the tree. Returns false when no editor was open.
    bool CommitOpenEditor();
    // A name is being typed in the tree's editor.
    bool NameEditorOpen() const { return state() == EditingState && editedIndex_.isValid(); }
    using QTreeView::edit;

    // Asked while a node of this tree is dragged over a target (kNoNode: no
    // node under the mouse), and told when it is dropped there.
    std::function<bool(TNodeHandle target)> dragOver;
    std::function<void(TNodeHandle target)> dragDrop;

  signals:
    void treeClicked();           // any click into the tree
    void navigationKeyReleased(); // Page Up/Down, End, Home, arrows

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The tree has no expand buttons at any level (the root's are switched
    // off by setRootIsDecorated; this keeps nested folders alike).
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

  private:
    QPersistentModelIndex editedIndex_; // the row whose name an editor may be open on
    // The node under the mouse when the drag was last refused there, so that
    // a drop the view never receives still reaches dragDrop, which says why.
    TNodeHandle refusedTarget_ = kNoNode;
};
