// The main window: the folder tree of the open box on the left, the entries of the selected
// folder on the right, a search box with its result pane, the commands on folders and entries,
// locking into the notification area, and the file commands with the automatic backup.
//
// The window exists only while a box is open. Its code is split by concern:
//   MainFrm.cpp        creation, layout, menus, options, action states, destruction
//   MainActions.cpp    the actions: captions, shortcuts, hints, pictures
//   MainFrmTree.cpp    the folder tree and its commands, drag and drop
//   MainFrmList.cpp    the entry list and the entry commands
//   MainFrmSearch.cpp  the search box and the result pane
//   MainFrmLock.cpp    locking, the tray icon, stay on top, the window's bounds
//   MainFrmFile.cpp    opening, new box, compaction, password change, backup, help
//
// Commands raise what the password box raises; the general error display shows it.
#pragma once

#include "app/BaseFrm.h"
#include "boxdata/ZembraTypes.h"
#include "dataproc/FileAnchor.h"
#include "services/OpenFileLock.h"
#include "ui/dialogs/EditorHost.h"

#include <QMainWindow>
#include <QPersistentModelIndex>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QStackedWidget;
class QTreeView;
class TAttachList;
class TFolderNode;
class TFolderTreeModel;
class TFolderTreeView;
class TItemList;
class TItemListModel;
class TBoxFileWatcher;
class TLeaveChecker;
class TSearchCache;
class TSearchResultModel;
class TSessionLockWatcher;
class TYarroSplitter;
class TYarroTrayIcon;

// The host of the entry editors and the options dialog while it exists.
class TMainForm : public TBaseFormOf<QMainWindow>, public TEditorHost {
    Q_OBJECT
public:
    using TTickSource = std::function<uint32_t()>;

    // FormCreate: takes over the box open in DbFileMgr. Clock drives the inactivity detector
    // (the system's millisecond tick count when empty). Raises what showing the box raises.
    explicit TMainForm(QWidget* Parent = nullptr, TTickSource Clock = TTickSource());
    // FormDestroy: saves the window state, empties the clipboard when "ClearClipboard" is on,
    // withdraws the open-file announcement.
    ~TMainForm() override;

    // ---- TEditorHost: for the entry editors and the options dialog ----
    // Each stores the entry in the listed folder after its entries and lists it selected; false
    // when the list shows another kind. Raises what the password box raises.
    bool AddNetItem(TZmbNetItem& Item) override;
    bool AddBankItem(TZmbBankItem& Item) override;
    // The entry and then the attachments of AttachList as its own, in list order, as one change.
    bool AddCommItem(TZmbCommItem& Item, TAttachList& AttachList) override;
    // Whether "窗口置顶(&T)" is checked.
    bool StayOnTopChecked() const override;
    // Checks or unchecks "窗口置顶(&T)" and keeps the window above all others or not.
    void SetStayOnTop(bool Value) override;
    // Fully transparent (true) or opaque, while a pinned editor floats above the window.
    void SetTransparent(bool Value) override;
    // Repaints the list (password mask), sets the idle time of the inactivity detector and the
    // shared password generator from the options.
    void ApplyOptions() override;

    // After every successful open: caption, tray tip, "LastFile", the open-file announcement,
    // the tree with the first category listed, the search box emptied, the backup.
    void DoFileOpened();
    // Selects the entry's folder and row. False when Kind is no kind or the entry is gone.
    bool LocateItem(TZembraType Kind, int32_t ItemID);
    // The texts the search box searches, held from the first search on (what it holds; answers).
    const TSearchCache& SearchCache() const { return *FSearchCache; }

    // Hides into the notification area (or minimizes, where there is none). LeaveChecker,
    // the lock command and the desktop's session lock lock it this way too.
    void MinimizeToTray();
    void RestoreFromTray();
    // Asks for the password when a lock is pending or "MinLock" is on; true when it may show.
    bool CheckUnlock();
    // The window hides in the tray (or is minimized) and waits to be restored.
    bool AppMinimized() const { return FAppMinimized; }
    bool ForceMinLock() const { return FForceMinLock; }

    // Design pixels as the window's pixels (Qt's pixels are already device independent).
    static int ScaleValue(int Value) { return Value; }

protected:
    void changeEvent(QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // ---- creation (MainFrm.cpp, MainActions.cpp) ----
    void CreateActions();
    void CreateLayout();
    void CreateMenus();
    void CreateTray();
    // The action's enabling rule of every action, from the tree's selection and the list's.
    void UpdateActionStates();
    TZembraType CurZembraType() const;

    // ---- tree (MainFrmTree.cpp) ----
    void BuildFolderTree();
    TFolderNode* AddFolderNode(TFolderNode* ParentNode, const TZembraFolder& Folder);
    TFolderNode* FindFolderNode(int32_t FolderID) const;
    QString GetFolderName(int32_t FolderID) const;
    static bool IsDescendantOf(const TFolderNode* Node, const TFolderNode* Ancestor);
    static int32_t GetNewFolderSortCode(const TFolderNode* Node);
    static bool CalcSiblingSortCode(const TFolderNode* Dest, const TFolderNode* Next, int32_t& Code);
    void RenumberFolderSortCodes(TFolderNode* Node);
    static TZembraType GetNodeZembraType(const TFolderNode* Node);
    TFolderNode* SelectedNode() const;
    void SelectNode(TFolderNode* Node);
    void TreeViewChange();
    void TreeViewEdited(TFolderNode* Node, const QString& Text);
    void TreeViewDblClick();
    void TreeViewContextMenu(const QPoint& Pos);
    bool TreeViewDragOver(const QModelIndex& Target, const QMimeData* Data);
    void TreeViewDragDrop(const QModelIndex& Target, const QMimeData* Data, const QPoint& GlobalPos);
    void DropEntriesOnNode(TFolderNode* Target);
    void DropNodePopupMenuPopup();
    void DropNodePopSubItemClick();
    void DropNodePopSibItemClick();
    void AddFolderActionExecute();
    void RenameFolderActionExecute();
    void DeleteFolderActionExecute();
    void FolderMoveUpActionExecute();
    void FolderMoveDownActionExecute();

    // ---- list (MainFrmList.cpp) ----
    void LoadItemList(TFolderNode* Node);
    void UpdateListColumns(TZembraType Kind);
    void SetListRowCount(int Count);
    void SaveListSelection();
    void RestoreListSelection();
    void SaveItemSortCodes();
    void UpdateStatusText();
    // Selected rows in row order; the first of them (−1 for none).
    std::vector<int> SelectedRows() const;
    // The ids of the selected rows, in row order.
    TIntegerAry SelectedItemIDs() const;
    int FirstSelectedRow() const;
    void SelectOnlyRow(int Row);
    void ListViewColumnClick(int Column);
    void ListViewKeyPress(QKeyEvent* Event);
    void ListViewPopupMenuPopup();
    void ListPopSortItemClick();
    void SortMenuItemClick(int Column);
    // Stores Item as the listed folder's last entry (with what StoreAlso stores for its id, in
    // one change) and lists it selected. False when the list shows another kind.
    template <class TItem>
    bool AddItemOf(TItem& Item, const std::function<void(int32_t ID)>& StoreAlso = {});
    template <class TItem>
    void EditItemOf(int Row);
    void AddItemActionExecute();
    void DeleteItemActionExecute();
    void ItemInfoActionExecute();
    void CopyPwdActionExecute();
    void SelectAllActionExecute();
    void ItemMoveUpActionExecute();
    void ItemMoveDownActionExecute();
    // Moves every selected row one place up (Step −1) or down (1), unless a selected row is at
    // that end already; then stores the order.
    void MoveSelectedRows(int Step);
    void SortItemsByDefaultActionExecute();
    void SetCurSortToDefaultActionExecute();

    // ---- search (MainFrmSearch.cpp) ----
    void SearchBoxInvokeSearch();
    void ShowSearchResults(const TSearchResultItems& Items);
    void SetSearchResultVisible(bool Visible);
    void SRLocateItemClick();
    void SRHideSearchResultItemClick();
    void SearchResultSplitterMoved();
    void SearchActionExecute();
    void ViewSearchResultActionExecute();

    // ---- locking, tray, window state (MainFrmLock.cpp) ----
    void LoadWindowState();
    void SaveWindowState();
    // Locks: a password before the window shows again.
    void LockApplication();
    void MinimizeApplication();
    void LeaveCheckerLeave();
    void MinLockActionExecute();
    void MinimizeActionExecute();
    void StayOnTopActionExecute();
    void ApplicationEventsMinimize();
    void ApplicationEventsRestore();
    void YarroTrayIconClick();
    void TrayPopShowItemClick();
    void SplitterDblClick();
    // Hides the window's content while it waits for the password (no notification area).
    void SetLockCover(bool Value);

    // ---- file commands and backup (MainFrmFile.cpp) ----
    // Another program replaced, moved or deleted the box's file: says so and offers the ways
    // out (open the new file, save what the window holds as a copy, close) until one is taken.
    void BoxFileLost(TFileFate Fate);
    // Opens FileName in place of the lost box, asking for its password; the lost box stays open
    // until the new one is known to open. True when it opened.
    bool OpenInPlaceOfLostBox(const QString& FileName);
    // Saves what the box held, read from the file that was opened, under a name the user chooses
    // and shows the copy. True when it was saved.
    bool SaveLostBoxAs();
    void CheckBackup(bool Force);
    void BackupFile();
    void RegisterOpenFile();
    void UnregisterOpenFile();
    // Runs a rebuild of the box (Work) under the progress dialog showing Text and announces the
    // file again afterwards, also when Work raised: the rebuild renames a new file over the box,
    // which gives it a new identity. Answers Work's result; passes on what it raises.
    bool RebuildBox(const QString& Text, const std::function<bool()>& Work);
    void NewFileActionExecute();
    void OpenFileActionExecute();
    void CompactActionExecute();
    void ChgPwdActionExecute();
    void OptionsActionExecute();
    void FileExitItemClick();
    void HelpHelpItemClick();
    void HelpNoticeItemClick();
    void HelpAboutItemClick();
    void HelpWebsiteItemClick();
    void HelpEmailItemClick();

    // ---- actions (one per command) ----
    QAction* NewFileAction = nullptr;
    QAction* OpenFileAction = nullptr;
    QAction* AddFolderAction = nullptr;
    QAction* RenameFolderAction = nullptr;
    QAction* DeleteFolderAction = nullptr;
    QAction* AddItemAction = nullptr;
    QAction* DeleteItemAction = nullptr;
    QAction* ItemInfoAction = nullptr;
    QAction* CopyPwdAction = nullptr;
    QAction* SelectAllAction = nullptr;
    QAction* ItemMoveUpAction = nullptr;
    QAction* ItemMoveDownAction = nullptr;
    QAction* SortItemsByDefaultAction = nullptr;
    QAction* SetCurSortToDefaultAction = nullptr;
    QAction* FolderMoveUpAction = nullptr;
    QAction* FolderMoveDownAction = nullptr;
    QAction* SearchAction = nullptr;
    QAction* ViewSearchResultAction = nullptr;
    QAction* MinimizeAction = nullptr;
    QAction* MinLockAction = nullptr;
    QAction* StayOnTopAction = nullptr;
    QAction* OptionsAction = nullptr;
    QAction* CompactAction = nullptr;
    QAction* ChgPwdAction = nullptr;

    // ---- controls ----
    QStackedWidget* CentralStack = nullptr; // the window's content, or the lock cover
    QLineEdit* SearchBox = nullptr;
    TYarroSplitter* SearchResultSplitter = nullptr;
    TYarroSplitter* Splitter = nullptr; // between the tree pane and the list
    QWidget* ContentPanel = nullptr;
    TFolderTreeView* TreeView = nullptr;
    QTreeView* ListView = nullptr;
    QWidget* SearchResultPanel = nullptr;
    QTreeView* SearchResultListView = nullptr;
    QLabel* StatusLabel = nullptr;
    QMenu* TreeViewPopupMenu = nullptr;
    QMenu* ListViewPopupMenu = nullptr;
    QMenu* SortSubMenu = nullptr;
    QMenu* DropNodePopupMenu = nullptr;
    QAction* DropNodePopSibItem = nullptr;
    QMenu* SearchResultPopupMenu = nullptr;
    QMenu* TrayPopupMenu = nullptr;
    QAction* TrayPopShowItem = nullptr;
    TYarroTrayIcon* YarroTrayIcon = nullptr;
    TLeaveChecker* LeaveChecker = nullptr;
    TSessionLockWatcher* SessionLockWatcher = nullptr;
    TBoxFileWatcher* BoxFileWatcher = nullptr;

    // ---- models ----
    TFolderTreeModel* FFolderModel = nullptr;
    TItemListModel* FListModel = nullptr;
    TSearchResultModel* FSearchModel = nullptr;
    // Kept in step by every change of entries made here; wiped on lock and close.
    std::unique_ptr<TSearchCache> FSearchCache;

    // ---- state ----
    std::unique_ptr<TItemList> FItemList; // never null: empty until a folder is listed
    int32_t FCurFolderID = 0;
    TIntegerAry FSaveSelItemIDs;
    int32_t FSaveFocItemID = -1;
    QPersistentModelIndex FDropSrcNode;
    QPersistentModelIndex FDropDestNode;
    bool FAppMinimized = false;
    bool FForceMinLock = false;
    bool FUnlockPending = false; // a restore by the desktop waits to ask for the password
    TOpenFileMarker FOpenFileMarker;
};
