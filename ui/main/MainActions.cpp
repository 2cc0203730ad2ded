// The main window's actions: one per command, with its caption, shortcut, hint and picture.
// Menus and the toolbar show these actions; their enabling rules are in UpdateActionStates.
#include "ui/main/MainFrm.h"

#include "app/SysDM.h"
#include "ui/main/FolderTreeView.h"

#include <QAction>
#include <QRegularExpression>
#include <QTreeView>

namespace {

// Where a shortcut works: the whole window, or only while the focus is in the tree or the list.
enum TShortcutScope { ssWindow, ssTree, ssList };

struct TActionDef {
    QAction* TMainForm::*Field;
    const char* Name;
    const char* Caption;
    const char* Hint; // null: the caption without its accelerator and dots
    const char* Image;
    QList<QKeySequence> Shortcuts;
    TShortcutScope Scope;
    bool Checkable;
};

// "添加条目(&U)..." gives "添加条目".
QString HintOf(const QString& Caption)
{
    QString hint = Caption;
    hint.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    hint.remove(QStringLiteral("..."));
    return hint;
}

} // namespace

void TMainForm::CreateActions()
{
    using M = TMainForm;
    const TActionDef defs[] = {
        {&M::NewFileAction, "NewFileAction", "新建密码箱(&N)...", "新建数据库", nullptr, {}, ssWindow, false},
        {&M::OpenFileAction, "OpenFileAction", "打开密码箱(&O)...", "打开数据库", nullptr, {}, ssWindow, false},
        {&M::AddFolderAction, "AddFolderAction", "添加目录(&A)", nullptr, "FolderAdd", {}, ssWindow, false},
        {&M::RenameFolderAction, "RenameFolderAction", "目录改名(&R)", nullptr, nullptr, {Qt::Key_F2}, ssTree, false},
        {&M::DeleteFolderAction, "DeleteFolderAction", "删除目录(&D)", nullptr, nullptr, {}, ssWindow, false},
        {&M::AddItemAction, "AddItemAction", "添加条目(&U)...", nullptr, "Add", {QKeySequence(Qt::CTRL | Qt::Key_N)}, ssWindow, false},
        {&M::DeleteItemAction, "DeleteItemAction", "删除条目(&E)", nullptr, "Delete", {}, ssWindow, false},
        {&M::ItemInfoAction, "ItemInfoAction", "详细资料(&I)...", nullptr, "Detail", {}, ssWindow, false},
        {&M::CopyPwdAction, "CopyPwdAction", "复制密码(&C)", nullptr, "Copy", {}, ssWindow, false},
        {&M::SelectAllAction, "SelectAllAction", "全选(&A)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_A)}, ssList, false},
        {&M::ItemMoveUpAction, "ItemMoveUpAction", "上移(&U)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_Up)}, ssList, false},
        {&M::ItemMoveDownAction, "ItemMoveDownAction", "下移(&D)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_Down)}, ssList, false},
        {&M::SortItemsByDefaultAction, "SortItemsByDefaultAction", "按缺省方式排序(&D)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_D)}, ssWindow, false},
        {&M::SetCurSortToDefaultAction, "SetCurSortToDefaultAction", "将当前顺序设为缺省顺序(&S)", nullptr, nullptr, {}, ssWindow, false},
        {&M::FolderMoveUpAction, "FolderMoveUpAction", "上移(&U)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_Up)}, ssTree, false},
        {&M::FolderMoveDownAction, "FolderMoveDownAction", "下移(&D)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_Down)}, ssTree, false},
        {&M::SearchAction, "SearchAction", "查找(&F)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_F), Qt::Key_F3}, ssWindow, false},
        {&M::ViewSearchResultAction, "ViewSearchResultAction", "搜索结果栏(&S)", nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_R)}, ssWindow, true},
        {&M::MinimizeAction, "MinimizeAction", "最小化(&M)", nullptr, nullptr, {Qt::Key_Escape}, ssWindow, false},
        {&M::MinLockAction, "MinLockAction", "程序锁定(&L)", nullptr, "Lock", {Qt::Key_F4}, ssWindow, false},
        {&M::StayOnTopAction, "StayOnTopAction", "窗口置顶(&T)", nullptr, "Pin", {Qt::Key_F6}, ssWindow, true},
        {&M::OptionsAction, "OptionsAction", "选项(&O)...", nullptr, "Gear", {}, ssWindow, false},
        {&M::CompactAction, "CompactAction", "优化文件大小(&M)", nullptr, nullptr, {}, ssWindow, false},
        {&M::ChgPwdAction, "ChgPwdAction", "更改登录密码(&P)...", nullptr, nullptr, {}, ssWindow, false},
    };
    for (const TActionDef& def : defs) {
        auto* action = new QAction(QString::fromUtf8(def.Caption), this);
        action->setObjectName(QString::fromLatin1(def.Name));
        const QString hint = def.Hint != nullptr ? QString::fromUtf8(def.Hint) : HintOf(action->text());
        action->setToolTip(hint);
        // The toolbar shows the hint, not the menu caption with its accelerator.
        action->setIconText(HintOf(action->text()));
        if (def.Image != nullptr)
            action->setIcon(SharedImages().Icon(QString::fromLatin1(def.Image)));
        action->setShortcuts(def.Shortcuts);
        action->setCheckable(def.Checkable);
        switch (def.Scope) {
        case ssWindow: addAction(action); break;
        case ssTree:
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            TreeView->addAction(action);
            break;
        case ssList:
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            ListView->addAction(action);
            break;
        }
        this->*def.Field = action;
    }

    connect(NewFileAction, &QAction::triggered, this, &TMainForm::NewFileActionExecute);
    connect(OpenFileAction, &QAction::triggered, this, &TMainForm::OpenFileActionExecute);
    connect(AddFolderAction, &QAction::triggered, this, &TMainForm::AddFolderActionExecute);
    connect(RenameFolderAction, &QAction::triggered, this, &TMainForm::RenameFolderActionExecute);
    connect(DeleteFolderAction, &QAction::triggered, this, &TMainForm::DeleteFolderActionExecute);
    connect(AddItemAction, &QAction::triggered, this, &TMainForm::AddItemActionExecute);
    connect(DeleteItemAction, &QAction::triggered, this, &TMainForm::DeleteItemActionExecute);
    connect(ItemInfoAction, &QAction::triggered, this, &TMainForm::ItemInfoActionExecute);
    connect(CopyPwdAction, &QAction::triggered, this, &TMainForm::CopyPwdActionExecute);
    connect(SelectAllAction, &QAction::triggered, this, &TMainForm::SelectAllActionExecute);
    connect(ItemMoveUpAction, &QAction::triggered, this, &TMainForm::ItemMoveUpActionExecute);
    connect(ItemMoveDownAction, &QAction::triggered, this, &TMainForm::ItemMoveDownActionExecute);
    connect(SortItemsByDefaultAction, &QAction::triggered, this, &TMainForm::SortItemsByDefaultActionExecute);
    connect(SetCurSortToDefaultAction, &QAction::triggered, this, &TMainForm::SetCurSortToDefaultActionExecute);
    connect(FolderMoveUpAction, &QAction::triggered, this, &TMainForm::FolderMoveUpActionExecute);
    connect(FolderMoveDownAction, &QAction::triggered, this, &TMainForm::FolderMoveDownActionExecute);
    connect(SearchAction, &QAction::triggered, this, &TMainForm::SearchActionExecute);
    connect(ViewSearchResultAction, &QAction::triggered, this, &TMainForm::ViewSearchResultActionExecute);
    connect(MinimizeAction, &QAction::triggered, this, &TMainForm::MinimizeActionExecute);
    connect(MinLockAction, &QAction::triggered, this, &TMainForm::MinLockActionExecute);
    connect(StayOnTopAction, &QAction::triggered, this, &TMainForm::StayOnTopActionExecute);
    connect(OptionsAction, &QAction::triggered, this, &TMainForm::OptionsActionExecute);
    connect(CompactAction, &QAction::triggered, this, &TMainForm::CompactActionExecute);
    connect(ChgPwdAction, &QAction::triggered, this, &TMainForm::ChgPwdActionExecute);
}
