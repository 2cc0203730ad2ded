// The entry list: loading a folder's entries, sorting and reordering them, remembering the
// selection across a reorder, and the entry commands through the editors.
#include "ui/main/MainFrm.h"

#include "boxdata/DbFileMgr.h"
#include "boxdata/SearchCache.h"
#include "dataproc/UpdateBracket.h"
#include "services/qt/MessageBox.h"
#include "services/qt/SecretClipboard.h"
#include "ui/dialogs/AttachList.h"
#include "ui/dialogs/BankItemFrm.h"
#include "ui/dialogs/CommItemFrm.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/NetItemFrm.h"
#include "ui/main/EntryKindOps.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/ItemList.h"
#include "ui/main/ItemListModel.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

#include <type_traits>
#include <unordered_set>

namespace {

constexpr int32_t kSortCodeStep = 10;

template <class TItem>
typename TEntryKind<TItem>::TList& ListOf(TItemList& List)
{
    return static_cast<typename TEntryKind<TItem>::TList&>(List);
}

} // namespace

// ---- loading and drawing ----

void TMainForm::LoadItemList(TFolderNode* Node)
{
    const TZembraType kind = GetNodeZembraType(Node);
    std::unique_ptr<TItemList> list = LoadItemsOf(kind, Node->Folder.ID);
    FListModel->SetItemList(nullptr);
    FItemList = std::move(list);
    UpdateListColumns(kind);
    FListModel->SetItemList(FItemList.get());
    SetListRowCount(FItemList->Count());
    if (FItemList->Count() > 0) {
        const QModelIndex first = FListModel->index(0, 0);
        ListView->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        ListView->scrollTo(first);
    }
    FListModel->Repaint();
    UpdateStatusText();
}

void TMainForm::UpdateListColumns(TZembraType Kind)
{
    if (Kind == FListModel->Kind())
        return;
    FListModel->SetKind(Kind);
    const auto& columns = FListModel->Columns();
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        ListView->header()->resizeSection(i, ScaleValue(columns[i].Width));
}

void TMainForm::SetListRowCount(int Count)
{
    FListModel->SetRowCount(Count);
}

void TMainForm::UpdateStatusText()
{
    const int count = FListModel->rowCount();
    StatusLabel->setText(count > 0 ? QStringLiteral("当前列表中共 %1 个条目").arg(count) : QString());
}

// ---- selection ----

std::vector<int> TMainForm::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : ListView->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

TIntegerAry TMainForm::SelectedItemIDs() const
{
    TIntegerAry ids;
    for (int row : SelectedRows())
        ids.push_back(FItemList->GetID(row));
    return ids;
}

int TMainForm::FirstSelectedRow() const
{
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void TMainForm::SelectOnlyRow(int Row)
{
    const QModelIndex index = FListModel->index(Row, 0);
    ListView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView->scrollTo(index);
}

void TMainForm::SaveListSelection()
{
    FSaveSelItemIDs = SelectedItemIDs();
    const QModelIndex focused = ListView->selectionModel()->currentIndex();
    FSaveFocItemID = focused.isValid() ? FItemList->GetID(focused.row()) : -1;
}

void TMainForm::RestoreListSelection()
{
    const std::unordered_set<int32_t> selected(FSaveSelItemIDs.begin(), FSaveSelItemIDs.end());
    const int columns = FListModel->columnCount() - 1;
    QItemSelection selection;
    int first = -1;
    const int rows = FItemList->Count();
    for (int row = 0; row <= rows; ++row) {
        const bool on = row < rows && selected.count(FItemList->GetID(row)) > 0;
        if (on && first < 0)
            first = row;
        if (!on && first >= 0) {
            selection.select(FListModel->index(first, 0), FListModel->index(row - 1, columns));
            first = -1;
        }
    }
    QItemSelectionModel* model = ListView->selectionModel();
    const int focused = FSaveFocItemID != -1 ? FItemList->IndexOfID(FSaveFocItemID) : -1;
    model->setCurrentIndex(focused >= 0 ? FListModel->index(focused, 0) : QModelIndex(), QItemSelectionModel::NoUpdate);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (FSaveSelItemIDs.size() == 1) {
        const int row = FItemList->IndexOfID(FSaveSelItemIDs.front());
        if (row >= 0)
            ListView->scrollTo(FListModel->index(row, 0));
    }
    FListModel->Repaint();
}

// ---- order ----

void TMainForm::SaveItemSortCodes()
{
    TUpdateBracket<TDbFileMgr> update(DbFileMgr);
    const TZembraType kind = CurZembraType();
    for (int i = 0; i < FItemList->Count(); ++i) {
        const int32_t code = (i + 1) * kSortCodeStep;
        ModifyEntrySortCode(kind, FItemList->GetID(i), code);
        // The records follow, so the default order after this is the stored one.
        FItemList->SetSortCode(i, code);
    }
}

void TMainForm::ListViewColumnClick(int Column)
{
    if (Column < 0 || Column >= FListModel->columnCount())
        return;
    SaveListSelection();
    const int tag = FListModel->ColumnTag(Column);
    FItemList->Sort(tag == smDesc ? smDesc : smInc, Column);
    FListModel->SetColumnTag(Column, tag == smDesc ? smInc : smDesc);
    RestoreListSelection();
}

void TMainForm::SortMenuItemClick(int Column)
{
    ListViewColumnClick(Column);
}

void TMainForm::ListPopSortItemClick()
{
    for (QAction* action : SortSubMenu->actions())
        if (action->data().toInt() >= 0) {
            SortSubMenu->removeAction(action);
            action->deleteLater();
        }
    const auto& columns = FListModel->Columns();
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        auto* item = new QAction(QStringLiteral("按 “%1” 排序").arg(columns[i].Caption), SortSubMenu);
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, i] { SortMenuItemClick(i); });
        SortSubMenu->insertAction(SortSubMenu->actions().value(i + 1), item);
    }
}

void TMainForm::SortItemsByDefaultActionExecute()
{
    SaveListSelection();
    FItemList->SortBySortCode();
    RestoreListSelection();
}

void TMainForm::SetCurSortToDefaultActionExecute()
{
    SaveItemSortCodes();
}

void TMainForm::ItemMoveUpActionExecute()
{
    MoveSelectedRows(-1);
}

void TMainForm::ItemMoveDownActionExecute()
{
    MoveSelectedRows(1);
}

void TMainForm::MoveSelectedRows(int Step)
{
    const std::vector<int> rows = SelectedRows();
    const int count = FItemList->Count();
    if (rows.empty() || (Step < 0 && rows.front() == 0) || (Step > 0 && rows.back() == count - 1))
        return; // a selected row at that end already: nothing moves, nothing is stored
    SaveListSelection();
    // The selection marks stay at their positions during the walk, so a block of selected rows
    // moves together.
    if (Step < 0) {
        for (int row : rows)
            FItemList->Move(row, row - 1);
    } else {
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            FItemList->Move(*it, *it + 1);
    }
    RestoreListSelection();
    SaveItemSortCodes();
}

// ---- menus and keys ----

void TMainForm::ListViewKeyPress(QKeyEvent*)
{
    if (ItemInfoAction->isEnabled())
        ItemInfoAction->trigger();
}

void TMainForm::ListViewPopupMenuPopup()
{
    const TZembraType kind = CurZembraType();
    CopyPwdAction->setVisible(kind == ztNetItem || kind == ztBankItem);
}

// ---- entry commands ----

template <class TItem>
bool TMainForm::AddItemOf(TItem& Item, const std::function<void(int32_t ID)>& StoreAlso)
{
    if (CurZembraType() != TEntryKind<TItem>::Kind)
        return false;
    {
        // The entry and what goes with it are one change.
        TUpdateBracket<TDbFileMgr> update(DbFileMgr);
        Item.FolderID = FCurFolderID;
        Item.SortCode = TEntryKind<TItem>::MaxSortCode(FCurFolderID) + kSortCodeStep;
        Item.Deleted = false;
        TEntryKind<TItem>::Add(Item, Item.ID);
        if (StoreAlso)
            StoreAlso(Item.ID);
    }
    FSearchCache->Refresh(TEntryKind<TItem>::Kind, {Item.ID});
    ListOf<TItem>(*FItemList).Add(Item);
    SetListRowCount(FItemList->Count());
    SelectOnlyRow(FItemList->Count() - 1);
    UpdateStatusText();
    UpdateActionStates();
    return true;
}

bool TMainForm::AddNetItem(TZmbNetItem& Item)
{
    return AddItemOf(Item);
}

bool TMainForm::AddBankItem(TZmbBankItem& Item)
{
    return AddItemOf(Item);
}

bool TMainForm::AddCommItem(TZmbCommItem& Item, TAttachList& AttachList)
{
    return AddItemOf(Item, [&AttachList](int32_t ID) { AttachList.AddToDb(ID); });
}

void TMainForm::AddItemActionExecute()
{
    switch (CurZembraType()) {
    case ztNetItem: {
        TZmbNetItem item;
        ShowNetItemForm(true, item);
        break;
    }
    case ztBankItem: {
        TZmbBankItem item;
        ShowBankItemForm(true, item);
        break;
    }
    case ztCommItem: {
        TZmbCommItem item;
        TAttachList attachments;
        ShowCommItemForm(true, item, attachments);
        break;
    }
    default: break;
    }
}

void TMainForm::DeleteItemActionExecute()
{
    const TIntegerAry ids = SelectedItemIDs();
    if (ids.empty() || !AskConfirmation(this, QStringLiteral("真的删除所选中的条目吗？")))
        return;
    {
        TUpdateBracket<TDbFileMgr> update(DbFileMgr);
        for (int32_t id : ids)
            DeleteEntry(CurZembraType(), id);
    }
    FSearchCache->Refresh(CurZembraType(), ids);
    for (int32_t id : ids)
        FItemList->Delete(FItemList->IndexOfID(id));
    SetListRowCount(FItemList->Count());
    FListModel->Repaint();
    UpdateStatusText();
    UpdateActionStates();
}

template <class TItem>
void TMainForm::EditItemOf(int Row)
{
    auto& list = ListOf<TItem>(*FItemList);
    const TItem original = list.GetItems(Row);
    TItem item = original;
    if constexpr (std::is_same_v<TItem, TZmbCommItem>) {
        TAttachList attachments;
        attachments.LoadFromDb(original.ID);
        if (!ShowCommItemForm(false, item, attachments))
            return;
        TUpdateBracket<TDbFileMgr> update(DbFileMgr);
        DbFileMgr.ModifyCommItem(original.ID, item);
        attachments.ApplyToDb(original.ID);
    } else if constexpr (std::is_same_v<TItem, TZmbNetItem>) {
        if (!ShowNetItemForm(false, item))
            return;
        DbFileMgr.ModifyNetItem(original.ID, item);
    } else {
        if (!ShowBankItemForm(false, item))
            return;
        DbFileMgr.ModifyBankItem(original.ID, item);
    }
    FSearchCache->Refresh(TEntryKind<TItem>::Kind, {original.ID});
    // The editors change only the texts; the entry keeps its place.
    item.ID = original.ID;
    item.FolderID = original.FolderID;
    item.SortCode = original.SortCode;
    item.Deleted = original.Deleted;
    list.SetItems(Row, item);
    FListModel->Repaint();
}

void TMainForm::ItemInfoActionExecute()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    switch (CurZembraType()) {
    case ztNetItem: EditItemOf<TZmbNetItem>(row); break;
    case ztBankItem: EditItemOf<TZmbBankItem>(row); break;
    case ztCommItem: EditItemOf<TZmbCommItem>(row); break;
    default: break;
    }
}

void TMainForm::CopyPwdActionExecute()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    QString password;
    if (CurZembraType() == ztNetItem)
        password = QString::fromStdString(ListOf<TZmbNetItem>(*FItemList).Items(row).Password);
    else if (CurZembraType() == ztBankItem)
        password = QString::fromStdString(ListOf<TZmbBankItem>(*FItemList).Items(row).Password);
    else
        return;
    TSecretClipboard::Shared().CopySecret(password);
    WipeQString(password);
}

void TMainForm::SelectAllActionExecute()
{
    ListView->selectAll();
}
