// The folder tree: building it from the box, selecting a folder, the folder commands, and drag
// and drop of folders and entries. The tree enforces the rules the password box does not check:
// the box's node and the categories are neither renamed nor deleted nor moved, a folder stays
// below its own category and never goes into its own subtree.
#include "ui/main/MainFrm.h"

#include "boxdata/DbFileMgr.h"
#include "boxdata/SearchCache.h"
#include "dataproc/UpdateBracket.h"
#include "services/qt/MessageBox.h"
#include "ui/dialogs/InputFrm.h"
#include "ui/main/DragPayload.h"
#include "ui/main/EntryKindOps.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/FolderTreeView.h"
#include "ui/main/ItemList.h"
#include "ui/main/ItemListModel.h"

#include <QAction>
#include <QMenu>

#include <set>

namespace {

constexpr int32_t kSortCodeStep = 10;

std::string U(const QString& Text)
{
    return Text.toStdString();
}

} // namespace

void TMainForm::BuildFolderTree()
{
    TreeView->setUpdatesEnabled(false);
    FFolderModel->Clear();
    TFolderNode* root = AddFolderNode(nullptr, TZembraFolder{0, 0, "密码箱", 0});
    FFolderModel->SetImage(root, QStringLiteral("AppIcon"));

    // Depth first; a folder met twice (a damaged box naming a folder its own ancestor) is
    // shown once.
    std::set<int32_t> shown{0};
    TFolderNode* firstCategory = nullptr;
    std::function<void(TFolderNode*)> addChildren = [&](TFolderNode* Node) {
        TZembraFolders folders;
        DbFileMgr.GetFolderList(Node->Folder.ID, folders);
        for (const TZembraFolder& folder : folders) {
            if (!shown.insert(folder.ID).second)
                continue;
            TFolderNode* child = AddFolderNode(Node, folder);
            if (Node == root && firstCategory == nullptr)
                firstCategory = child;
            addChildren(child);
        }
    };
    addChildren(root);

    TreeView->expand(FFolderModel->IndexOf(root));
    for (const auto& category : root->Children)
        TreeView->expand(FFolderModel->IndexOf(category.get()));
    if (firstCategory != nullptr)
        SelectNode(firstCategory);
    TreeView->scrollTo(FFolderModel->IndexOf(root));
    TreeView->setUpdatesEnabled(true);
}

TFolderNode* TMainForm::AddFolderNode(TFolderNode* ParentNode, const TZembraFolder& Folder)
{
    return FFolderModel->AddNode(ParentNode, Folder);
}

TFolderNode* TMainForm::FindFolderNode(int32_t FolderID) const
{
    return FFolderModel->FindNode(FolderID);
}

QString TMainForm::GetFolderName(int32_t FolderID) const
{
    const TFolderNode* node = FindFolderNode(FolderID);
    return node != nullptr ? QString::fromStdString(node->Folder.Name) : QString();
}

bool TMainForm::IsDescendantOf(const TFolderNode* Node, const TFolderNode* Ancestor)
{
    for (const TFolderNode* p = Node->Parent; p != nullptr; p = p->Parent)
        if (p == Ancestor)
            return true;
    return false;
}

int32_t TMainForm::GetNewFolderSortCode(const TFolderNode* Node)
{
    const TFolderNode* last = Node->LastChild();
    return last != nullptr ? last->Folder.SortCode + kSortCodeStep : kSortCodeStep;
}

bool TMainForm::CalcSiblingSortCode(const TFolderNode* Dest, const TFolderNode* Next, int32_t& Code)
{
    const int64_t a = Dest->Folder.SortCode;
    int64_t code = 0;
    if (Next == nullptr) {
        code = a + kSortCodeStep;
    } else {
        const int64_t b = Next->Folder.SortCode;
        if (b - a <= 1)
            return false;
        code = (a + b) / 2; // integer division rounds toward zero
    }
    if (code > INT32_MAX)
        return false; // no room above the last code: renumbering makes some
    Code = static_cast<int32_t>(code);
    return true;
}

void TMainForm::RenumberFolderSortCodes(TFolderNode* Node)
{
    TUpdateBracket<TDbFileMgr> update(DbFileMgr);
    int32_t code = 0;
    for (const auto& child : Node->Children) {
        code += kSortCodeStep;
        child->Folder.SortCode = code;
        DbFileMgr.ModifyFolderSortCode(child->Folder.ID, code);
    }
}

TZembraType TMainForm::GetNodeZembraType(const TFolderNode* Node)
{
    if (Node == nullptr || Node->Level() <= 0)
        return ztNetItem; // the box's node lists web entries
    const TFolderNode* category = Node;
    while (category->Level() > 1)
        category = category->Parent;
    switch (category->Folder.ID) {
    case ztNetItem: return ztNetItem;
    case ztBankItem: return ztBankItem;
    default: return ztCommItem;
    }
}

TFolderNode* TMainForm::SelectedNode() const
{
    return FFolderModel->NodeOf(TreeView->currentIndex());
}

void TMainForm::SelectNode(TFolderNode* Node)
{
    const QModelIndex index = FFolderModel->IndexOf(Node);
    TreeView->setCurrentIndex(index);
    TreeView->scrollTo(index);
}

void TMainForm::TreeViewChange()
{
    if (TFolderNode* node = SelectedNode()) {
        FCurFolderID = node->Folder.ID;
        LoadItemList(node);
    }
    UpdateActionStates();
}

void TMainForm::TreeViewEdited(TFolderNode* Node, const QString& Text)
{
    if (Node->Level() <= 1)
        return;
    const QString name = Text.isEmpty() ? Node->Caption : Text;
    DbFileMgr.ModifyFolder(Node->Folder.ID, U(name));
    Node->Folder.Name = U(name);
    FFolderModel->SetCaption(Node, name);
    FFolderModel->SortChildren(Node->Parent);
}

void TMainForm::TreeViewDblClick()
{
    const TFolderNode* node = SelectedNode();
    if (node != nullptr && node->Children.empty() && AddItemAction->isEnabled())
        AddItemAction->trigger();
}

void TMainForm::TreeViewContextMenu(const QPoint& Pos)
{
    TreeViewPopupMenu->popup(TreeView->viewport()->mapToGlobal(Pos));
}

bool TMainForm::TreeViewDragOver(const QModelIndex& Target, const QMimeData* Data)
{
    const TFolderNode* target = FFolderModel->NodeOf(Target);
    if (target == nullptr)
        return false;
    if (const auto folder = DraggedFolder(Data)) {
        const TFolderNode* dragged = FindFolderNode(*folder);
        return dragged != nullptr && dragged->Level() >= 2 && target->Level() >= 1 && !IsDescendantOf(target, dragged) &&
               GetNodeZembraType(dragged) == GetNodeZembraType(target);
    }
    if (const auto kind = DraggedEntries(Data))
        return *kind == CurZembraType() && GetNodeZembraType(target) == CurZembraType();
    return false;
}

void TMainForm::TreeViewDragDrop(const QModelIndex& Target, const QMimeData* Data, const QPoint& GlobalPos)
{
    TFolderNode* target = FFolderModel->NodeOf(Target);
    if (target == nullptr || !TreeViewDragOver(Target, Data))
        return;
    if (DraggedEntries(Data)) {
        DropEntriesOnNode(target);
        return;
    }
    TFolderNode* dragged = FindFolderNode(*DraggedFolder(Data));
    if (dragged == target)
        return;
    FDropSrcNode = FFolderModel->IndexOf(dragged);
    FDropDestNode = Target;
    DropNodePopupMenu->popup(GlobalPos);
}

void TMainForm::DropEntriesOnNode(TFolderNode* Target)
{
    const TIntegerAry ids = SelectedItemIDs();
    if (ids.empty() || !AskConfirmation(this, QStringLiteral("真的移动所选中的条目吗？")))
        return;
    MoveEntries(CurZembraType(), ids, Target->Folder.ID);
    if (Target->Folder.ID == FCurFolderID) {
        // They stay in the listed folder, now after its other entries: list them there.
        LoadItemList(SelectedNode());
    } else {
        for (int32_t id : ids)
            FItemList->Delete(FItemList->IndexOfID(id));
        SetListRowCount(FItemList->Count());
        UpdateStatusText();
    }
    UpdateActionStates();
}

void TMainForm::DropNodePopupMenuPopup()
{
    const TFolderNode* dest = FFolderModel->NodeOf(FDropDestNode);
    DropNodePopSibItem->setEnabled(dest != nullptr && dest->Level() > 1);
}

void TMainForm::DropNodePopSubItemClick()
{
    TFolderNode* src = FFolderModel->NodeOf(FDropSrcNode);
    TFolderNode* dest = FFolderModel->NodeOf(FDropDestNode);
    if (src == nullptr || dest == nullptr || src == dest)
        return;
    DbFileMgr.MoveFolder(src->Folder.ID, dest->Folder.ID);
    // The node's record follows the store: the new parent and the code the store gave it, so a
    // later sort of that level keeps it where it is shown.
    TZembraFolders children;
    DbFileMgr.GetFolderList(dest->Folder.ID, children);
    for (const TZembraFolder& f : children)
        if (f.ID == src->Folder.ID)
            src->Folder.SortCode = f.SortCode;
    src->Folder.ParentID = dest->Folder.ID;
    FFolderModel->MoveNode(src, dest, static_cast<int>(dest->Children.size()));
    TreeView->expand(FFolderModel->IndexOf(dest));
    TreeView->scrollTo(FFolderModel->IndexOf(src));
    UpdateActionStates();
}

void TMainForm::DropNodePopSibItemClick()
{
    TFolderNode* src = FFolderModel->NodeOf(FDropSrcNode);
    TFolderNode* dest = FFolderModel->NodeOf(FDropDestNode);
    if (src == nullptr || dest == nullptr || src == dest || dest->Level() <= 1)
        return;
    TFolderNode* next = dest->NextSibling();
    if (next == src)
        return;
    TFolderNode* parent = dest->Parent;
    TUpdateBracket<TDbFileMgr> update(DbFileMgr);
    int32_t code = 0;
    if (!CalcSiblingSortCode(dest, next, code)) {
        RenumberFolderSortCodes(parent);
        if (!CalcSiblingSortCode(dest, next, code))
            return;
    }
    if (src->Parent != parent) {
        DbFileMgr.MoveFolder(src->Folder.ID, parent->Folder.ID);
        src->Folder.ParentID = parent->Folder.ID;
        FFolderModel->MoveNode(src, parent, static_cast<int>(parent->Children.size()));
    }
    DbFileMgr.ModifyFolderSortCode(src->Folder.ID, code);
    src->Folder.SortCode = code;
    FFolderModel->SortChildren(parent);
    TreeView->scrollTo(FFolderModel->IndexOf(src));
    UpdateActionStates();
}

void TMainForm::AddFolderActionExecute()
{
    TFolderNode* node = SelectedNode();
    if (node == nullptr || node->Level() < 1)
        return;
    QString name;
    if (!ShowInputForm(QStringLiteral("添加目录"), QStringLiteral("请输入目录名："), name, false))
        return;
    if (name.isEmpty())
        name = QStringLiteral("新建目录");
    TZembraFolder folder{0, node->Folder.ID, U(name), GetNewFolderSortCode(node)};
    DbFileMgr.AddFolder(folder, folder.ID);
    TFolderNode* added = AddFolderNode(node, folder);
    TreeView->expand(FFolderModel->IndexOf(node));
    SelectNode(added);
}

void TMainForm::RenameFolderActionExecute()
{
    const TFolderNode* node = SelectedNode();
    if (node != nullptr && node->Level() > 1)
        TreeView->edit(FFolderModel->IndexOf(node));
}

void TMainForm::DeleteFolderActionExecute()
{
    TFolderNode* node = SelectedNode();
    if (node == nullptr || node->Level() <= 1)
        return;
    if (!AskConfirmation(this, QStringLiteral("真的删除目录 ") + node->Caption + QStringLiteral(" 吗？")))
        return;
    DbFileMgr.DeleteFolder(node->Folder.ID);
    // Its entries went with it, and with its sub-folders' too: the search reads the box again.
    FSearchCache->Clear();
    // The view makes a neighbour current as the node goes, which lists its entries.
    FFolderModel->RemoveNode(node);
    if (TFolderNode* current = SelectedNode())
        SelectNode(current);
    UpdateActionStates();
}

void TMainForm::FolderMoveUpActionExecute()
{
    TFolderNode* node = SelectedNode();
    TFolderNode* prev = node != nullptr ? node->PrevSibling() : nullptr;
    if (prev == nullptr)
        return;
    FFolderModel->MoveNode(node, node->Parent, prev->Row());
    RenumberFolderSortCodes(node->Parent);
    UpdateActionStates();
}

void TMainForm::FolderMoveDownActionExecute()
{
    TFolderNode* node = SelectedNode();
    TFolderNode* next = node != nullptr ? node->NextSibling() : nullptr;
    if (next == nullptr)
        return;
    const TFolderNode* afterNext = next->NextSibling();
    const int row = afterNext != nullptr ? afterNext->Row() : static_cast<int>(node->Parent->Children.size());
    FFolderModel->MoveNode(node, node->Parent, row);
    RenumberFolderSortCodes(node->Parent);
    UpdateActionStates();
}
