#include "U_Tree_Model.h"

#include <utility>

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "U_Keyvale_TreeView_Data_Kinds.h"
#include "U_Picture.h"

// ---- model ----------------------------------------------------------------

TKeyvaleTreeModel::TKeyvaleTreeModel(TKeyvaleTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), images_(KeyvaleTreeImageList()) {}

void TKeyvaleTreeModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TKeyvaleTreeModel::Change(const std::function<void()>& change) {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<TNodeHandle> nodes;
    nodes.reserve(before.size());
    for (const QModelIndex& index : before) {
        nodes.push_back(NodeOf(index));
    }
    change();
    QModelIndexList after;
    after.reserve(before.size());
    for (TNodeHandle node : nodes) {
        after.append(IndexOf(node));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void TKeyvaleTreeModel::NodeChanged(TNodeHandle node) {
    const QModelIndex index = IndexOf(node);
    if (index.isValid()) {
        emit dataChanged(index, index);
    }
}

bool TKeyvaleTreeModel::IsShown(TNodeHandle node) const {
    // A node is shown when it and every node above it are user nodes; the
    // only other nodes are data nodes, the hidden children of records.
    for (TNodeHandle n = node; n != kNoNode; n = tree_.Parent(n)) {
        if (!tree_.Contains(n) || !IsUserNode(tree_, n)) {
            return false;
        }
    }
    return true;
}

QModelIndex TKeyvaleTreeModel::IndexOf(TNodeHandle node) const {
    if (node == kNoNode || !IsShown(node)) {
        return {};
    }
    return createIndex(tree_.Row(node), 0, static_cast<quintptr>(static_cast<quint32>(node)));
}

TNodeHandle TKeyvaleTreeModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) {
        return kNoNode;
    }
    return static_cast<TNodeHandle>(static_cast<quint32>(index.internalId()));
}

QModelIndex TKeyvaleTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!hasIndex(row, column, parent)) {
        return {};
    }
    const TNodeHandle child = tree_.Child(NodeOf(parent), row);
    return createIndex(row, 0, static_cast<quintptr>(static_cast<quint32>(child)));
}

QModelIndex TKeyvaleTreeModel::parent(const QModelIndex& child) const {
    return IndexOf(tree_.Parent(NodeOf(child)));
}

int TKeyvaleTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    const TNodeHandle node = NodeOf(parent);
    if (parent.isValid() && !MayExpand(tree_, node)) {
        return 0; // a record: its one child is the hidden data node
    }
    return tree_.ChildCount(node);
}

int TKeyvaleTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TKeyvaleTreeModel::data(const QModelIndex& index, int role) const {
    const TNodeHandle node = NodeOf(index);
    if (node == kNoNode) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(tree_.Text(node));
    case Qt::DecorationRole: {
        const int icon = tree_.Icon(node);
        return icon >= 0 && icon < images_.size() ? QVariant(images_[icon]) : QVariant();
    }
    default:
        return {};
    }
}

bool TKeyvaleTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const TNodeHandle node = NodeOf(index);
    if (role != Qt::EditRole || node == kNoNode) {
        return false;
    }
    const QString name = renamed ? renamed(node, value.toString()) : value.toString();
    const std::string text = name.toStdString();
    // An editor closed on the same name is no change: it must not count as
    // work for the automatic save or withdraw a pending quit.
    if (text == tree_.Text(node)) {
        return true;
    }
    tree_.SetText(node, text);
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags TKeyvaleTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

// ---- view -----------------------------------------------------------------

namespace {

// Notes whether Escape was pressed, taking nothing.
class TEscapeWatch : public QObject {
  public:
    bool pressed = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            pressed = true;
        }
        return false;
    }
};

} // namespace

TKeyvaleTreeView::TKeyvaleTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(false); // no expand buttons
    setItemsExpandable(true);
    setExpandsOnDoubleClick(true);
    setIndentation(35);
    setIconSize(QSize(32, 32));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAutoExpandDelay(700);
    setAcceptDrops(true);
    setDropIndicatorShown(false); // a drop always makes the node the target's last child
    setDragDropMode(QAbstractItemView::DragDrop);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

TKeyvaleTreeModel* TKeyvaleTreeView::TreeModel() const {
    return qobject_cast<TKeyvaleTreeModel*>(model());
}

TNodeHandle TKeyvaleTreeView::SelectedNode() const {
    const TKeyvaleTreeModel* tree = TreeModel();
    if (!tree || !selectionModel() || !selectionModel()->isSelected(currentIndex())) {
        return kNoNode;
    }
    return tree->NodeOf(currentIndex());
}

bool TKeyvaleTreeView::SelectNode(TNodeHandle node) {
    const TKeyvaleTreeModel* tree = TreeModel();
    if (!tree) {
        return false;
    }
    if (node == kNoNode) {
        selectionModel()->clear();
        return true;
    }
    const QModelIndex index = tree->IndexOf(node);
    if (!index.isValid()) {
        return false;
    }
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
        expand(above);
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    return true;
}

TNodeHandle TKeyvaleTreeView::NodeAt(const QPoint& viewportPoint) const {
    const TKeyvaleTreeModel* tree = TreeModel();
    return tree ? tree->NodeOf(indexAt(viewportPoint)) : kNoNode;
}

bool TKeyvaleTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool editing = QTreeView::edit(index, trigger, event);
    if (editing) {
        editedIndex_ = index;
    }
    return editing;
}

bool TKeyvaleTreeView::CommitOpenEditor() {
    if (state() != EditingState || !editedIndex_.isValid()) {
        return false;
    }
    QWidget* editor = indexWidget(editedIndex_);
    if (!editor) {
        return false;
    }
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void TKeyvaleTreeView::startDrag(Qt::DropActions) {
    // The press that began the drag chose the node: the window shows it
    // before anything else, as after a click.
    emit treeClicked();
    // The dragged node is the selected one; the drop handlers move it, so
    // nothing is removed here when the drag ends.
    const TNodeHandle node = SelectedNode();
    if (node == kNoNode) {
        return;
    }
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kTreeNodeMimeType), QByteArray::number(node));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(currentIndex().data(Qt::DecorationRole).value<QIcon>().pixmap(iconSize()));
    refusedTarget_ = kNoNode;
    // The drag's own filter takes every key while it runs, Escape too, and
    // it is installed when the drag begins: a watch installed after it, from
    // within the drag's loop, sees each key first.
    TEscapeWatch escape;
    QMetaObject::invokeMethod(
        &escape, [&escape] { qApp->installEventFilter(&escape); }, Qt::QueuedConnection);
    const Qt::DropAction done = drag->exec(Qt::MoveAction, Qt::MoveAction);
    const TNodeHandle refused = std::exchange(refusedTarget_, kNoNode);
    // Let go over a target that refused the node: the view is never sent
    // that drop, so dragDrop hears of it here and says why. A drag ended by
    // Escape ends without a word.
    if (done == Qt::IgnoreAction && refused != kNoNode && !escape.pressed && dragDrop) {
        dragDrop(refused);
    }
}

void TKeyvaleTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this && event->mimeData()->hasFormat(kTreeNodeMimeType)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TKeyvaleTreeView::dragMoveEvent(QDragMoveEvent* event) {
    // The view's own handling highlights the row under the mouse, opens a
    // folder the mouse rests on and scrolls near the edges; whether the drop
    // is accepted is decided here.
    QTreeView::dragMoveEvent(event);
    const TNodeHandle target = NodeAt(event->position().toPoint());
    const bool accept = event->source() == this &&
                        event->mimeData()->hasFormat(kTreeNodeMimeType) && dragOver &&
                        dragOver(target);
    refusedTarget_ = accept ? kNoNode : target;
    if (accept) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TKeyvaleTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    // On X11 a refused drag that ends over the tree ends with a leave too:
    // the platform cancels it there. Only a mouse that has left the tree
    // takes the drag elsewhere, to be dropped there, if at all.
    if (!viewport()->rect().contains(viewport()->mapFromGlobal(QCursor::pos()))) {
        refusedTarget_ = kNoNode;
    }
    QTreeView::dragLeaveEvent(event);
}

void TKeyvaleTreeView::dropEvent(QDropEvent* event) {
    if (event->source() != this || !event->mimeData()->hasFormat(kTreeNodeMimeType)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (dragDrop) {
        dragDrop(NodeAt(event->position().toPoint()));
    }
}

void TKeyvaleTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    emit treeClicked();
}

void TKeyvaleTreeView::keyReleaseEvent(QKeyEvent* event) {
    QTreeView::keyReleaseEvent(event);
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (!event->isAutoRepeat()) {
            emit navigationKeyReleased();
        }
        break;
    default:
        break;
    }
}

void TKeyvaleTreeView::drawBranches(QPainter*, const QRect&, const QModelIndex&) const {
    // Nothing: the indentation stays plain; folders open by double click,
    // by the arrow keys and when a folder is added under them.
}
