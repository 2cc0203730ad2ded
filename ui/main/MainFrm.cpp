// The main window's creation, layout, menus, options and action states, and its destruction.
#include "ui/main/MainFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "app/ImageCollection.h"
#include "app/SysDM.h"
#include "boxdata/DbFileMgr.h"
#include "boxdata/SearchCache.h"
#include "services/AppOptMgr.h"
#include "services/GenPwd.h"
#include "services/Global.h"
#include "services/qt/BoxFileWatcher.h"
#include "services/qt/LeaveChecker.h"
#include "services/qt/SecretClipboard.h"
#include "services/qt/SessionLockWatcher.h"
#include "ui/components/Splitter.h"
#include "ui/components/SvgImage.h"
#include "ui/components/TrayIcon.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/FolderTreeView.h"
#include "ui/main/ItemList.h"
#include "ui/main/ItemListModel.h"
#include "ui/main/SearchResultModel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <climits>

namespace {

// Design sizes of the layout.
constexpr int kTopBarHeight = 27;
constexpr int kSearchBoxWidth = 181;
constexpr int kSearchBoxMargin = 2;
constexpr int kToolBarLeft = 2;
constexpr int kResultCategoryWidth = 120;
constexpr int kResultTitleWidth = 480;

// A report list: whole rows, no captions to edit, no tree lines.
void SetUpReportView(QTreeView* View)
{
    View->setRootIsDecorated(false);
    View->setItemsExpandable(false);
    View->setUniformRowHeights(true);
    View->setAllColumnsShowFocus(true);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setContextMenuPolicy(Qt::CustomContextMenu);
    View->header()->setStretchLastSection(false);
    View->header()->setSectionsMovable(false);
}

} // namespace

TMainForm::TMainForm(QWidget* Parent, TTickSource Clock) : TBaseFormOf<QMainWindow>(Parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setWindowIcon(SharedImages().Icon(QStringLiteral("AppIcon")));
    // The window hides in the tray while dialogs come and go: only closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    FFolderModel = new TFolderTreeModel(this);
    FListModel = new TItemListModel(this);
    // Empty until a folder is listed, so the list commands never meet a missing list.
    FItemList = NewItemList(ztNetItem);
    FSearchModel = new TSearchResultModel(this);
    FSearchCache = std::make_unique<TSearchCache>(DbFileMgr);
    CreateLayout();
    CreateActions();
    CreateMenus();
    CreateTray();

    LeaveChecker = new TLeaveChecker(this, std::move(Clock));
    LeaveChecker->SetOnLeave([this](TLeaveChecker*) { LeaveCheckerLeave(); });
    LeaveChecker->SetEnabled(true);
    BoxFileWatcher = new TBoxFileWatcher(this);
    BoxFileWatcher->SetOnFileLost([this](TBoxFileWatcher*, TFileFate Fate) { BoxFileLost(Fate); });
    SessionLockWatcher = new TSessionLockWatcher(this);
    connect(SessionLockWatcher, &TSessionLockWatcher::Locked, this, &TMainForm::LockApplication);
    TSecretClipboard::Shared().SetOnClearFailed([this] {
        StatusLabel->setText(QStringLiteral("无法清除剪贴板中的密码，请手动清除。"));
    });

    SetMainFormWindow(this);
    SetEditorHost(this);
    TreeView->setFocus();
    ApplyOptions();
    LoadWindowState();
    DoFileOpened();
}

TMainForm::~TMainForm()
{
    SaveWindowState();
    if (AppOptionsMgr().ReadBoolean(AppOpt::ClearClipboard))
        TSecretClipboard::Shared().Clear();
    TSecretClipboard::Shared().SetOnClearFailed(nullptr);
    FListModel->SetItemList(nullptr);
    FItemList.reset();
    UnregisterOpenFile();
    if (EditorHost() == this)
        SetEditorHost(nullptr);
    if (MainFormWindow() == this)
        SetMainFormWindow(nullptr);
}

void TMainForm::CreateLayout()
{
    CentralStack = new QStackedWidget(this);
    CentralStack->setObjectName(QStringLiteral("CentralStack"));
    setCentralWidget(CentralStack);

    auto* content = new QWidget(CentralStack);
    content->setObjectName(QStringLiteral("ContentPage"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);

    auto* topBar = new QWidget(content);
    topBar->setObjectName(QStringLiteral("TopBar"));
    topBar->setMinimumHeight(ScaleValue(kTopBarHeight));
    auto* topLayout = new QHBoxLayout(topBar);
    topLayout->setContentsMargins(ScaleValue(kToolBarLeft), 0, ScaleValue(kSearchBoxMargin), 0);
    topLayout->setSpacing(0);
    auto* toolBar = new QToolBar(topBar);
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    topLayout->addWidget(toolBar, 0, Qt::AlignVCenter);
    topLayout->addStretch(1);
    SearchBox = new QLineEdit(topBar);
    SearchBox->setObjectName(QStringLiteral("SearchBox"));
    SearchBox->setPlaceholderText(QStringLiteral("输入关键字搜索"));
    SearchBox->setClearButtonEnabled(false);
    SearchBox->setFixedWidth(ScaleValue(kSearchBoxWidth));
    QAction* searchButton = SearchBox->addAction(QIcon(TImageCollection::Render("Search", QSize(32, 32))),
                                                 QLineEdit::TrailingPosition);
    searchButton->setObjectName(QStringLiteral("SearchButton"));
    searchButton->setToolTip(QStringLiteral("搜索"));
    connect(searchButton, &QAction::triggered, this, &TMainForm::SearchBoxInvokeSearch);
    connect(SearchBox, &QLineEdit::returnPressed, this, &TMainForm::SearchBoxInvokeSearch);
    topLayout->addWidget(SearchBox, 0, Qt::AlignVCenter);
    contentLayout->addWidget(topBar);

    SearchResultSplitter = new TYarroSplitter(Qt::Vertical, content);
    SearchResultSplitter->setObjectName(QStringLiteral("SearchResultSplitter"));
    SearchResultSplitter->setChildrenCollapsible(true);
    contentLayout->addWidget(SearchResultSplitter, 1);

    Splitter = new TYarroSplitter(Qt::Horizontal, SearchResultSplitter);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);
    connect(Splitter, &TYarroSplitter::HandleDblClick, this, &TMainForm::SplitterDblClick);
    ContentPanel = new QWidget(Splitter);
    ContentPanel->setObjectName(QStringLiteral("ContentPanel"));
    auto* contentPanelLayout = new QVBoxLayout(ContentPanel);
    contentPanelLayout->setContentsMargins(0, 0, 0, 0);
    TreeView = new TFolderTreeView(ContentPanel);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setModel(FFolderModel);
    TreeView->setHeaderHidden(true);
    TreeView->setRootIsDecorated(false);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setDragEnabled(true);
    TreeView->setAcceptDrops(true);
    TreeView->setDragDropMode(QAbstractItemView::DragDrop);
    TreeView->setDropIndicatorShown(false);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView->SetOnDragOver([this](const QModelIndex& t, const QMimeData* d) { return TreeViewDragOver(t, d); });
    TreeView->SetOnDragDrop(
        [this](const QModelIndex& t, const QMimeData* d, const QPoint& p) { TreeViewDragDrop(t, d, p); });
    connect(TreeView->selectionModel(), &QItemSelectionModel::currentChanged, this, &TMainForm::TreeViewChange);
    connect(TreeView, &QTreeView::doubleClicked, this, &TMainForm::TreeViewDblClick);
    connect(TreeView, &QWidget::customContextMenuRequested, this, &TMainForm::TreeViewContextMenu);
    connect(FFolderModel, &TFolderTreeModel::NodeEdited, this, &TMainForm::TreeViewEdited);
    contentPanelLayout->addWidget(TreeView);

    ListView = new QTreeView(Splitter);
    ListView->setObjectName(QStringLiteral("ListView"));
    SetUpReportView(ListView);
    ListView->setModel(FListModel);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView->setDragEnabled(true);
    ListView->setDragDropMode(QAbstractItemView::DragOnly);
    ListView->header()->setSectionsClickable(true);
    ListView->header()->setSortIndicatorShown(false);
    ListView->installEventFilter(this);
    connect(ListView->header(), &QHeaderView::sectionClicked, this, &TMainForm::ListViewColumnClick);
    connect(ListView, &QTreeView::doubleClicked, this, [this] { ItemInfoAction->trigger(); });
    connect(ListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& Pos) {
        ListViewPopupMenu->popup(ListView->viewport()->mapToGlobal(Pos));
    });
    connect(ListView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMainForm::UpdateActionStates);
    Splitter->addWidget(ContentPanel);
    Splitter->addWidget(ListView);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);

    SearchResultPanel = new QWidget(SearchResultSplitter);
    SearchResultPanel->setObjectName(QStringLiteral("SearchResultPanel"));
    auto* resultLayout = new QVBoxLayout(SearchResultPanel);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    SearchResultListView = new QTreeView(SearchResultPanel);
    SearchResultListView->setObjectName(QStringLiteral("SearchResultListView"));
    SetUpReportView(SearchResultListView);
    SearchResultListView->setModel(FSearchModel);
    SearchResultListView->setSelectionMode(QAbstractItemView::SingleSelection);
    SearchResultListView->header()->resizeSection(0, ScaleValue(kResultCategoryWidth));
    SearchResultListView->header()->resizeSection(1, ScaleValue(kResultTitleWidth));
    connect(SearchResultListView, &QTreeView::doubleClicked, this, &TMainForm::SRLocateItemClick);
    connect(SearchResultListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& Pos) {
        SearchResultPopupMenu->popup(SearchResultListView->viewport()->mapToGlobal(Pos));
    });
    resultLayout->addWidget(SearchResultListView);
    SearchResultSplitter->addWidget(Splitter);
    SearchResultSplitter->addWidget(SearchResultPanel);
    SearchResultSplitter->setCollapsible(0, false);
    SearchResultSplitter->setCollapsible(1, true);
    SearchResultSplitter->setStretchFactor(0, 1);
    SearchResultSplitter->setStretchFactor(1, 0);
    connect(SearchResultSplitter, &QSplitter::splitterMoved, this, &TMainForm::SearchResultSplitterMoved);
    SearchResultPanel->hide();
    CentralStack->addWidget(content);

    // What a minimized window shows while it waits for the password (no notification area).
    auto* cover = new QWidget(CentralStack);
    cover->setObjectName(QStringLiteral("LockCover"));
    auto* coverLayout = new QVBoxLayout(cover);
    coverLayout->addStretch(1);
    auto* lockImage = new TSvgImage(TImageCollection::ResourcePath(QStringLiteral("Lock")), cover);
    lockImage->setFixedSize(48, 48);
    coverLayout->addWidget(lockImage, 0, Qt::AlignHCenter);
    auto* lockText = new QLabel(QStringLiteral("密码箱已经被锁住了。"), cover);
    coverLayout->addWidget(lockText, 0, Qt::AlignHCenter);
    coverLayout->addStretch(1);
    CentralStack->addWidget(cover);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    statusBar()->addWidget(StatusLabel, 1);
    statusBar()->setSizeGripEnabled(true);
}

void TMainForm::CreateMenus()
{
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    fileMenu->addActions({NewFileAction, OpenFileAction});
    fileMenu->addSeparator();
    fileMenu->addActions({CompactAction, ChgPwdAction});
    fileMenu->addSeparator();
    fileMenu->addAction(QStringLiteral("退出(&X)"), this, &TMainForm::FileExitItemClick);

    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    editMenu->addActions({AddFolderAction, RenameFolderAction, DeleteFolderAction});
    editMenu->addSeparator();
    editMenu->addActions({AddItemAction, DeleteItemAction});
    editMenu->addSeparator();
    editMenu->addAction(ItemInfoAction);
    editMenu->addSeparator();
    editMenu->addAction(SelectAllAction);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    viewMenu->addAction(ViewSearchResultAction);

    QMenu* toolsMenu = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    toolsMenu->addActions({MinLockAction, StayOnTopAction});
    toolsMenu->addSeparator();
    toolsMenu->addAction(OptionsAction);

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    QAction* helpItem = helpMenu->addAction(QStringLiteral("软件说明(&H)..."), this, &TMainForm::HelpHelpItemClick);
    helpItem->setObjectName(QStringLiteral("HelpHelpItem"));
    helpItem->setShortcut(Qt::Key_F1);
    helpMenu->addAction(QStringLiteral("使用须知(&N)..."), this, &TMainForm::HelpNoticeItemClick)
        ->setObjectName(QStringLiteral("HelpNoticeItem"));
    helpMenu->addSeparator();
    helpMenu->addAction(QStringLiteral("访问主页(&W)..."), this, &TMainForm::HelpWebsiteItemClick)
        ->setObjectName(QStringLiteral("HelpWebsiteItem"));
    helpMenu->addAction(QStringLiteral("联系作者(&E)..."), this, &TMainForm::HelpEmailItemClick)
        ->setObjectName(QStringLiteral("HelpEmailItem"));
    helpMenu->addSeparator();
    helpMenu->addAction(QStringLiteral("关于(&A)..."), this, &TMainForm::HelpAboutItemClick)
        ->setObjectName(QStringLiteral("HelpAboutItem"));

    auto* toolBar = findChild<QToolBar*>(QStringLiteral("ToolBar"));
    toolBar->addActions({AddItemAction, DeleteItemAction, ItemInfoAction});
    toolBar->addSeparator();
    toolBar->addAction(MinLockAction);
    toolBar->addSeparator();
    toolBar->addAction(StayOnTopAction);

    TreeViewPopupMenu = new QMenu(this);
    TreeViewPopupMenu->setObjectName(QStringLiteral("TreeViewPopupMenu"));
    TreeViewPopupMenu->addActions({AddFolderAction, AddItemAction});
    TreeViewPopupMenu->addSeparator();
    TreeViewPopupMenu->addActions({RenameFolderAction, DeleteFolderAction});
    TreeViewPopupMenu->addSeparator();
    TreeViewPopupMenu->addActions({FolderMoveUpAction, FolderMoveDownAction});

    ListViewPopupMenu = new QMenu(this);
    ListViewPopupMenu->setObjectName(QStringLiteral("ListViewPopupMenu"));
    connect(ListViewPopupMenu, &QMenu::aboutToShow, this, &TMainForm::ListViewPopupMenuPopup);
    ListViewPopupMenu->addAction(ItemInfoAction);
    ListViewPopupMenu->setDefaultAction(ItemInfoAction);
    ListViewPopupMenu->addSeparator();
    ListViewPopupMenu->addAction(CopyPwdAction);
    ListViewPopupMenu->addSeparator();
    ListViewPopupMenu->addActions({AddItemAction, DeleteItemAction});
    ListViewPopupMenu->addSeparator();
    SortSubMenu = ListViewPopupMenu->addMenu(QStringLiteral("排序(&S)"));
    SortSubMenu->setObjectName(QStringLiteral("SortSubMenu"));
    SortSubMenu->addAction(SortItemsByDefaultAction);
    SortSubMenu->addSeparator()->setData(-1);
    SortSubMenu->addAction(SetCurSortToDefaultAction);
    SortItemsByDefaultAction->setData(-1);
    SetCurSortToDefaultAction->setData(-1);
    connect(SortSubMenu, &QMenu::aboutToShow, this, &TMainForm::ListPopSortItemClick);
    QMenu* moveMenu = ListViewPopupMenu->addMenu(QStringLiteral("移动(&M)"));
    moveMenu->addActions({ItemMoveUpAction, ItemMoveDownAction});

    DropNodePopupMenu = new QMenu(this);
    DropNodePopupMenu->setObjectName(QStringLiteral("DropNodePopupMenu"));
    DropNodePopupMenu->addAction(QStringLiteral("移为子节点(&S)"), this, &TMainForm::DropNodePopSubItemClick)
        ->setObjectName(QStringLiteral("DropNodePopSubItem"));
    DropNodePopSibItem =
        DropNodePopupMenu->addAction(QStringLiteral("移为相邻节点(&I)"), this, &TMainForm::DropNodePopSibItemClick);
    DropNodePopSibItem->setObjectName(QStringLiteral("DropNodePopSibItem"));
    DropNodePopupMenu->addSeparator();
    DropNodePopupMenu->addAction(QStringLiteral("取消(&C)"))->setObjectName(QStringLiteral("DropNodePopCancelItem"));
    connect(DropNodePopupMenu, &QMenu::aboutToShow, this, &TMainForm::DropNodePopupMenuPopup);

    SearchResultPopupMenu = new QMenu(this);
    SearchResultPopupMenu->setObjectName(QStringLiteral("SearchResultPopupMenu"));
    QAction* locate = SearchResultPopupMenu->addAction(SharedImages().Icon(QStringLiteral("Goto")),
                                                       QStringLiteral("跳转到(&G)..."), this,
                                                       &TMainForm::SRLocateItemClick);
    locate->setObjectName(QStringLiteral("SRLocateItem"));
    SearchResultPopupMenu->setDefaultAction(locate);
    SearchResultPopupMenu->addSeparator();
    SearchResultPopupMenu->addAction(QStringLiteral("隐藏搜索结果栏(&H)"), this, &TMainForm::SRHideSearchResultItemClick)
        ->setObjectName(QStringLiteral("SRHideSearchResultItem"));
}

void TMainForm::CreateTray()
{
    TrayPopupMenu = new QMenu(this);
    TrayPopupMenu->setObjectName(QStringLiteral("TrayPopupMenu"));
    TrayPopShowItem = TrayPopupMenu->addAction(QStringLiteral("显示主窗口(&S)"), this, &TMainForm::TrayPopShowItemClick);
    TrayPopShowItem->setObjectName(QStringLiteral("TrayPopShowItem"));
    TrayPopShowItem->setEnabled(false);
    TrayPopupMenu->addSeparator();
    TrayPopupMenu->addAction(QStringLiteral("帮助(&H)..."), this, &TMainForm::HelpHelpItemClick);
    TrayPopupMenu->addAction(QStringLiteral("关于(&A)..."), this, &TMainForm::HelpAboutItemClick);
    TrayPopupMenu->addSeparator();
    TrayPopupMenu->addAction(QStringLiteral("退出(&X)"), this, &TMainForm::FileExitItemClick)
        ->setObjectName(QStringLiteral("TrayPopExitItem"));

    YarroTrayIcon = new TYarroTrayIcon(this);
    YarroTrayIcon->setObjectName(QStringLiteral("YarroTrayIcon"));
    YarroTrayIcon->SetIcon(SharedImages().Icon(QStringLiteral("AppIcon")));
    YarroTrayIcon->SetTip(QString::fromUtf8(kProductName));
    YarroTrayIcon->SetPopupMenu(TrayPopupMenu);
    connect(YarroTrayIcon, &TYarroTrayIcon::Click, this, &TMainForm::YarroTrayIconClick);
    YarroTrayIcon->SetVisible(true);
}

void TMainForm::ApplyOptions()
{
    TAppOptionsMgr& options = AppOptionsMgr();
    FListModel->Repaint();
    const int64_t interval = int64_t{60000} * options.ReadInteger(AppOpt::AutoLockMinutes);
    LeaveChecker->SetInterval(static_cast<int>(std::clamp<int64_t>(interval, 0, INT_MAX)));
    TPwdGenerator& generator = PwdGenerator();
    generator.SetCharKinds(static_cast<TGenPwdCharKinds>(options.ReadInteger(AppOpt::GenPwdCharKinds)));
    generator.SetLenMode(options.ReadInteger(AppOpt::GenPwdLenMode) == plFixed ? plFixed : plRange);
    generator.SetLenRangeMin(options.ReadInteger(AppOpt::GenPwdLenRangeMin));
    generator.SetLenRangeMax(options.ReadInteger(AppOpt::GenPwdLenRangeMax));
    generator.SetLenFixed(options.ReadInteger(AppOpt::GenPwdLenFixed));
}

TZembraType TMainForm::CurZembraType() const
{
    return FListModel->Kind();
}

void TMainForm::UpdateActionStates()
{
    const TFolderNode* node = SelectedNode();
    const int level = node != nullptr ? node->Level() : -1;
    const bool rowSelected = ListView->selectionModel()->hasSelection();
    AddFolderAction->setEnabled(level > 0);
    RenameFolderAction->setEnabled(level > 1);
    DeleteFolderAction->setEnabled(level > 1);
    AddItemAction->setEnabled(level > 0);
    DeleteItemAction->setEnabled(rowSelected);
    ItemInfoAction->setEnabled(rowSelected);
    ItemMoveUpAction->setEnabled(rowSelected);
    ItemMoveDownAction->setEnabled(rowSelected);
    SelectAllAction->setEnabled(FListModel->rowCount() > 0);
    FolderMoveUpAction->setEnabled(node != nullptr && node->PrevSibling() != nullptr);
    FolderMoveDownAction->setEnabled(node != nullptr && node->NextSibling() != nullptr);
}

void TMainForm::changeEvent(QEvent* Event)
{
    TBaseFormOf<QMainWindow>::changeEvent(Event);
    if (Event->type() != QEvent::WindowStateChange)
        return;
    const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(Event)->oldState();
    if (isMinimized() && !before.testFlag(Qt::WindowMinimized))
        ApplicationEventsMinimize();
    else if (!isMinimized() && before.testFlag(Qt::WindowMinimized))
        ApplicationEventsRestore();
}

void TMainForm::closeEvent(QCloseEvent* Event)
{
    Event->accept();
    FSearchCache->Clear();
    // Closing the main window ends the program (the loop does not end with the last window).
    QCoreApplication::exit(0);
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == ListView && Event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(Event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space) {
            ListViewKeyPress(key);
            return true;
        }
    }
    return TBaseFormOf<QMainWindow>::eventFilter(Watched, Event);
}
