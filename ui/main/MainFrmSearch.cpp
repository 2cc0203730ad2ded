// The search box, the result pane along the bottom and the jump from a hit to its entry.
#include "ui/main/MainFrm.h"

#include "boxdata/SearchCache.h"
#include "services/qt/MessageBox.h"
#include "ui/components/Splitter.h"
#include "ui/main/EntryKindOps.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/FolderTreeView.h"
#include "ui/main/ItemList.h"
#include "ui/main/SearchResultModel.h"

#include <QAction>
#include <QLineEdit>
#include <QTreeView>

namespace {

// The pane's height when it is shown again (design pixels).
constexpr int kSearchResultHeight = 106;

} // namespace

void TMainForm::SearchBoxInvokeSearch()
{
    const QString text = SearchBox->text();
    if (text.isEmpty())
        return;
    SearchBox->selectAll();
    TSearchResultItems results;
    FSearchCache->Search(text.toStdString(), results);
    ShowSearchResults(results);
    if (results.empty()) {
        ShowInformation(this, QStringLiteral("未找到任何结果！"));
        return;
    }
    SetSearchResultVisible(true);
    SearchResultListView->setCurrentIndex(FSearchModel->index(0, 0));
    SRLocateItemClick();
}

void TMainForm::ShowSearchResults(const TSearchResultItems& Items)
{
    std::vector<TSearchResultRow> rows;
    rows.reserve(Items.size());
    for (const TSearchResultItem& item : Items)
        rows.push_back(TSearchResultRow{GetFolderName(item.ZembraType), item});
    FSearchModel->SetRows(std::move(rows));
}

bool TMainForm::LocateItem(TZembraType Kind, int32_t ItemID)
{
    int32_t folderID = 0;
    if (!GetEntryFolder(Kind, ItemID, folderID))
        return false;
    if (TFolderNode* node = FindFolderNode(folderID)) {
        SelectNode(node);
        TreeView->setFocus();
        // A folder of another kind (a damaged box) lists other entries under the same ids.
        const int row = CurZembraType() == Kind ? FItemList->IndexOfID(ItemID) : -1;
        if (row >= 0)
            SelectOnlyRow(row);
    }
    return true;
}

void TMainForm::SetSearchResultVisible(bool Visible)
{
    if (SearchResultPanel->isHidden() == Visible) {
        if (Visible) {
            SearchResultPanel->show();
            const int height = ScaleValue(kSearchResultHeight);
            const int total = SearchResultSplitter->height() - SearchResultSplitter->handleWidth();
            SearchResultSplitter->setSizes({std::max(total - height, 1), height});
        } else {
            SearchResultPanel->hide();
        }
    }
    ViewSearchResultAction->setChecked(Visible);
}

void TMainForm::SRLocateItemClick()
{
    const QModelIndex current = SearchResultListView->currentIndex();
    if (!current.isValid())
        return;
    const TSearchResultItem hit = FSearchModel->Item(current.row());
    if (LocateItem(hit.ZembraType, hit.ItemID))
        ListView->setFocus();
}

void TMainForm::SRHideSearchResultItemClick()
{
    SetSearchResultVisible(false);
}

void TMainForm::SearchResultSplitterMoved()
{
    const QList<int> sizes = SearchResultSplitter->sizes();
    if (sizes.size() > 1 && sizes[1] <= 0)
        SetSearchResultVisible(false);
}

void TMainForm::SearchActionExecute()
{
    SearchBox->setFocus();
    // Typing replaces the last search (the selection goes when the focus leaves the box).
    SearchBox->selectAll();
}

void TMainForm::ViewSearchResultActionExecute()
{
    SetSearchResultVisible(SearchResultPanel->isHidden());
}
