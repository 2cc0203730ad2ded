#include "ui/main/FolderTreeModel.h"

#include "app/SysDM.h"
#include "ui/main/DragPayload.h"

#include <algorithm>

int TFolderNode::Level() const
{
    int level = -1;
    for (const TFolderNode* p = this; p->Parent != nullptr; p = p->Parent)
        ++level;
    return level;
}

int TFolderNode::Row() const
{
    if (Parent == nullptr)
        return 0;
    const auto& siblings = Parent->Children;
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this)
            return static_cast<int>(i);
    return 0;
}

TFolderNode* TFolderNode::PrevSibling() const
{
    const int row = Row();
    return Parent != nullptr && row > 0 ? Parent->Children[row - 1].get() : nullptr;
}

TFolderNode* TFolderNode::NextSibling() const
{
    const int row = Row();
    return Parent != nullptr && row + 1 < static_cast<int>(Parent->Children.size()) ? Parent->Children[row + 1].get()
                                                                                    : nullptr;
}

TFolderTreeModel::TFolderTreeModel(QObject* Parent) : QAbstractItemModel(Parent)
{
}

TFolderTreeModel::~TFolderTreeModel() = default;

void TFolderTreeModel::Clear()
{
    beginResetModel();
    FTop.Children.clear();
    endResetModel();
}

TFolderNode* TFolderTreeModel::Root() const
{
    return FTop.Children.empty() ? nullptr : FTop.Children.front().get();
}

TFolderNode* TFolderTreeModel::AddNode(TFolderNode* Parent, const TZembraFolder& Folder)
{
    TFolderNode* parent = Parent != nullptr ? Parent : &FTop;
    auto node = std::make_unique<TFolderNode>();
    node->Folder = Folder;
    node->Caption = QString::fromStdString(Folder.Name);
    node->ImageName = Folder.ParentID == 0 ? QStringLiteral("Category") : QStringLiteral("Folder");
    node->Parent = parent;
    // After the last sibling whose code is not larger: the siblings stay sorted, ties in the
    // order they came.
    auto& siblings = parent->Children;
    const auto at = std::find_if(siblings.begin(), siblings.end(),
                                 [&Folder](const auto& s) { return s->Folder.SortCode > Folder.SortCode; });
    const int row = static_cast<int>(at - siblings.begin());
    beginInsertRows(IndexOf(parent), row, row);
    TFolderNode* added = node.get();
    siblings.insert(siblings.begin() + row, std::move(node));
    endInsertRows();
    return added;
}

void TFolderTreeModel::RemoveNode(TFolderNode* Node)
{
    if (Node == nullptr || Node->Parent == nullptr)
        return;
    TFolderNode* parent = Node->Parent;
    const int row = Node->Row();
    beginRemoveRows(IndexOf(parent), row, row);
    parent->Children.erase(parent->Children.begin() + row);
    endRemoveRows();
}

void TFolderTreeModel::MoveNode(TFolderNode* Node, TFolderNode* NewParent, int Row)
{
    TFolderNode* oldParent = Node->Parent;
    const int oldRow = Node->Row();
    if (oldParent == NewParent && (Row == oldRow || Row == oldRow + 1))
        return;
    if (!beginMoveRows(IndexOf(oldParent), oldRow, oldRow, IndexOf(NewParent), Row))
        return;
    std::unique_ptr<TFolderNode> owned = std::move(oldParent->Children[oldRow]);
    oldParent->Children.erase(oldParent->Children.begin() + oldRow);
    const int insertAt = (oldParent == NewParent && Row > oldRow) ? Row - 1 : Row;
    owned->Parent = NewParent;
    NewParent->Children.insert(NewParent->Children.begin() + insertAt, std::move(owned));
    endMoveRows();
}

void TFolderTreeModel::SortChildren(TFolderNode* Parent)
{
    std::vector<TFolderNode*> order;
    for (const auto& child : Parent->Children)
        order.push_back(child.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const TFolderNode* a, const TFolderNode* b) { return a->Folder.SortCode < b->Folder.SortCode; });
    Reorder(Parent, order);
}

void TFolderTreeModel::Reorder(TFolderNode* Parent, const std::vector<TFolderNode*>& Order)
{
    bool same = true;
    for (std::size_t i = 0; i < Order.size(); ++i)
        same = same && Parent->Children[i].get() == Order[i];
    if (same)
        return;
    const QList<QPersistentModelIndex> parents{QPersistentModelIndex(IndexOf(Parent))};
    emit layoutAboutToBeChanged(parents, QAbstractItemModel::VerticalSortHint);
    std::vector<std::unique_ptr<TFolderNode>> sorted;
    for (TFolderNode* node : Order) {
        auto it = std::find_if(Parent->Children.begin(), Parent->Children.end(),
                               [node](const auto& c) { return c.get() == node; });
        sorted.push_back(std::move(*it));
    }
    Parent->Children = std::move(sorted);
    QModelIndexList from;
    QModelIndexList to;
    for (const QModelIndex& old : persistentIndexList()) {
        TFolderNode* node = NodeOf(old);
        if (node != nullptr && node->Parent == Parent) {
            from << old;
            to << createIndex(node->Row(), old.column(), node);
        }
    }
    changePersistentIndexList(from, to);
    emit layoutChanged(parents, QAbstractItemModel::VerticalSortHint);
}

void TFolderTreeModel::SetImage(TFolderNode* Node, const QString& ImageName)
{
    Node->ImageName = ImageName;
    const QModelIndex index = IndexOf(Node);
    emit dataChanged(index, index, {Qt::DecorationRole});
}

void TFolderTreeModel::SetCaption(TFolderNode* Node, const QString& Caption)
{
    Node->Caption = Caption;
    const QModelIndex index = IndexOf(Node);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}

TFolderNode* TFolderTreeModel::FindNode(int32_t FolderID) const
{
    for (const auto& top : FTop.Children)
        if (TFolderNode* found = FindIn(top.get(), FolderID))
            return found;
    return nullptr;
}

TFolderNode* TFolderTreeModel::FindIn(TFolderNode* Node, int32_t FolderID) const
{
    if (Node->Folder.ID == FolderID)
        return Node;
    for (const auto& child : Node->Children)
        if (TFolderNode* found = FindIn(child.get(), FolderID))
            return found;
    return nullptr;
}

QModelIndex TFolderTreeModel::IndexOf(const TFolderNode* Node) const
{
    if (Node == nullptr || Node == &FTop)
        return QModelIndex();
    return createIndex(Node->Row(), 0, const_cast<TFolderNode*>(Node));
}

TFolderNode* TFolderTreeModel::NodeOf(const QModelIndex& Index) const
{
    return Index.isValid() ? static_cast<TFolderNode*>(Index.internalPointer()) : nullptr;
}

QModelIndex TFolderTreeModel::index(int Row, int Column, const QModelIndex& Parent) const
{
    const TFolderNode* parent = Parent.isValid() ? NodeOf(Parent) : &FTop;
    if (Column != 0 || Row < 0 || Row >= static_cast<int>(parent->Children.size()))
        return QModelIndex();
    return createIndex(Row, 0, parent->Children[Row].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& Child) const
{
    const TFolderNode* node = NodeOf(Child);
    if (node == nullptr || node->Parent == &FTop)
        return QModelIndex();
    return IndexOf(node->Parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& Parent) const
{
    if (Parent.column() > 0)
        return 0;
    const TFolderNode* parent = Parent.isValid() ? NodeOf(Parent) : &FTop;
    return static_cast<int>(parent->Children.size());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TFolderTreeModel::data(const QModelIndex& Index, int Role) const
{
    const TFolderNode* node = NodeOf(Index);
    if (node == nullptr)
        return QVariant();
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return node->Caption;
    case Qt::DecorationRole: return SharedImages().Icon(node->ImageName);
    default: return QVariant();
    }
}

bool TFolderTreeModel::setData(const QModelIndex& Index, const QVariant& Value, int Role)
{
    TFolderNode* node = NodeOf(Index);
    if (node == nullptr || Role != Qt::EditRole)
        return false;
    emit NodeEdited(node, Value.toString());
    return true;
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex& Index) const
{
    const TFolderNode* node = NodeOf(Index);
    if (node == nullptr)
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (node->Level() > 1)
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return flags;
}

QStringList TFolderTreeModel::mimeTypes() const
{
    return {kFolderDragFormat, kEntriesDragFormat};
}

QMimeData* TFolderTreeModel::mimeData(const QModelIndexList& Indexes) const
{
    const TFolderNode* node = Indexes.isEmpty() ? nullptr : NodeOf(Indexes.front());
    return node != nullptr ? NewFolderDrag(node->Folder.ID) : nullptr;
}
