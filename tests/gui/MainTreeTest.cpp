// The folder tree of the real window: building and selecting, the folder commands with their
// rules and sort codes, the drop menu's two moves, and entries dropped on folders.
#include "gui/MainFormFixture.h"
#include "ui/main/DragPayload.h"
#include "ui/main/FolderTreeView.h"

#include <QLineEdit>
#include <QMenu>
#include <QMimeData>

namespace {

// Folder ids of the default tree.
enum : int32_t { kWeb = 1, kBank = 2, kNotes = 3, kMail = 4, kQQ = 5, kForum = 6, kGame = 7, kOther = 8, kCmb = 9 };

class MainTreeTest : public TMainFormFixture {
protected:
    QPoint CenterOf(TFolderNode* Target) const
    {
        const QModelIndex index = FolderModel()->IndexOf(Target);
        Tree()->scrollTo(index);
        return Tree()->visualRect(index).center();
    }
    TFolderTreeView* TreeView() const { return static_cast<TFolderTreeView*>(Tree()); }
    // A drag of Data over Target: whether the tree would take it there.
    bool DragOver(TFolderNode* Target, const QMimeData& Data) const
    {
        return TreeView()->AcceptsDropAt(CenterOf(Target), &Data);
    }
    void Drop(TFolderNode* Target, const QMimeData& Data) const { TreeView()->DropAt(CenterOf(Target), &Data); }
    // The drag the tree itself makes of a folder.
    std::unique_ptr<QMimeData> FolderDrag(int32_t FolderID) const
    {
        return std::unique_ptr<QMimeData>(FolderModel()->mimeData({FolderModel()->IndexOf(Node(FolderID))}));
    }
    // Drops FolderID on Target and chooses Item ("DropNodePopSubItem", "DropNodePopSibItem") of
    // the drop menu; answers whether that item was enabled.
    bool DropFolder(int32_t FolderID, int32_t Target, const char* Item) const
    {
        const auto data = FolderDrag(FolderID);
        EXPECT_TRUE(DragOver(Node(Target), *data));
        Drop(Node(Target), *data);
        auto* menu = Child<QMenu>(FForm.get(), "DropNodePopupMenu");
        EXPECT_TRUE(menu->isVisible());
        auto* action = menu->findChild<QAction*>(QString::fromLatin1(Item));
        const bool enabled = action->isEnabled();
        if (enabled)
            action->trigger();
        menu->hide();
        return enabled;
    }
};

TEST_F(MainTreeTest, TreeIsBuiltWithLevelsPicturesAndTheFirstCategoryListed)
{
    const std::string box = NewOpenBox();
    TZembraFolder deep{0, kMail, "深层", 10};
    DbFileMgr.AddFolder(deep, deep.ID);
    TZembraFolder between{0, kWeb, "十五", 15};
    DbFileMgr.AddFolder(between, between.ID);
    AddWeb(kWeb, "在类别里");
    OpenForm(box);

    TFolderNode* root = FolderModel()->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Caption, "密码箱");
    EXPECT_EQ(root->ImageName, "AppIcon");
    EXPECT_EQ(root->Folder.ID, 0);
    EXPECT_EQ(ChildCaptions(0), (QStringList{"<网上信息>", "<银行账号>", "<通用数据>"}));
    EXPECT_EQ(Node(kBank)->ImageName, "Category");
    EXPECT_EQ(Node(kMail)->ImageName, "Folder");
    // Siblings by sort code: 15 between 10 and 20.
    EXPECT_EQ(ChildCaptions(kWeb), (QStringList{"电子邮件", "十五", "ＱＱ号码", "论坛账号", "游戏账号", "其它密码"}));
    // The root and the categories open, deeper folders closed.
    EXPECT_TRUE(Tree()->isExpanded(FolderModel()->IndexOf(root)));
    EXPECT_TRUE(Tree()->isExpanded(FolderModel()->IndexOf(Node(kNotes))));
    EXPECT_FALSE(Tree()->isExpanded(FolderModel()->IndexOf(Node(kMail))));
    EXPECT_EQ(SelectedNode(), Node(kWeb));
    EXPECT_EQ(ListColumn(0), QStringList{"在类别里"});

    // Selecting lists the folder's entries; the box's node lists web entries of folder 0.
    const int32_t atRoot = AddWeb(0, "在根上");
    AddBank(kCmb, "招行", "储蓄卡", "6225");
    SelectFolder(kCmb);
    EXPECT_EQ(ListColumn(0), QStringList{"招行"});
    Tree()->setCurrentIndex(FolderModel()->IndexOf(root));
    EXPECT_EQ(ListColumn(0), QStringList{"在根上"});
    EXPECT_TRUE(FForm->LocateItem(ztNetItem, atRoot));
}

TEST_F(MainTreeTest, ABoxWithoutCategoriesShowsItsNodeAndNothingBreaks)
{
    const std::string box = NewOpenBox();
    for (int32_t category : {kWeb, kBank, kNotes})
        DbFileMgr.DeleteFolder(category);
    OpenForm(box);
    EXPECT_EQ(FolderModel()->Root()->Children.size(), 0u);
    EXPECT_EQ(SelectedNode(), nullptr);
    for (const char* name : {"SortItemsByDefaultAction", "SetCurSortToDefaultAction", "CopyPwdAction", "SearchAction"})
        Action(name)->trigger();
    Activate();
    QTest::keyClick(List(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(ListColumn(0).isEmpty());
    EXPECT_TRUE(FMessages.Texts().isEmpty());
}

TEST_F(MainTreeTest, FolderCommandsFollowTheLevels)
{
    OpenForm(NewFilledBox());
    struct {
        int32_t Folder;
        bool Add, Rename, Delete;
    } const cases[] = {{0, false, false, false}, {kBank, true, false, false}, {kCmb, true, true, true}};
    for (const auto& c : cases) {
        SelectFolder(c.Folder);
        EXPECT_EQ(Action("AddFolderAction")->isEnabled(), c.Add) << c.Folder;
        EXPECT_EQ(Action("AddItemAction")->isEnabled(), c.Add) << c.Folder;
        EXPECT_EQ(Action("RenameFolderAction")->isEnabled(), c.Rename) << c.Folder;
        EXPECT_EQ(Action("DeleteFolderAction")->isEnabled(), c.Delete) << c.Folder;
    }
    // Triggered anyway (a shortcut that slipped through), they leave the categories alone.
    SelectFolder(kBank);
    Action("DeleteFolderAction")->trigger();
    Action("RenameFolderAction")->trigger();
    EXPECT_TRUE(FMessages.Texts().isEmpty());
    EXPECT_EQ(StoredChildren(0).size(), 3u);
}

TEST_F(MainTreeTest, AddingAFolder)
{
    const std::string box = NewOpenBox();
    TZembraFolder a{0, kMail, "甲", 10};
    TZembraFolder b{0, kMail, "乙", 35};
    DbFileMgr.AddFolder(a, a.ID);
    DbFileMgr.AddFolder(b, b.ID);
    OpenForm(box);

    SelectFolder(kMail);
    WhenModalShown([](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), "添加目录");
        EXPECT_EQ(Child<QLabel>(form, "PromptLabel")->text(), "请输入目录名：");
        Click(form, "OkButton"); // empty
    });
    Action("AddFolderAction")->trigger();
    EXPECT_EQ(StoredChildren(kMail).back(), (std::pair<std::string, int32_t>{"新建目录", 45}));
    EXPECT_EQ(SelectedNode()->Caption, "新建目录");

    // A name longer than the box keeps (30 bytes) shows whole until the tree is built anew.
    const QString longName = QString(20, QChar(0x540D)); // 20 Chinese characters: 40 bytes
    SelectFolder(kMail);
    WhenModalShown([&](QWidget* form) {
        Put(form, "ValueEdit", longName);
        Click(form, "OkButton");
    });
    Action("AddFolderAction")->trigger();
    EXPECT_EQ(SelectedNode()->Caption, longName);
    EXPECT_EQ(SelectedNode()->Folder.SortCode, 55);
    const int32_t id = SelectedNode()->Folder.ID;

    SelectFolder(kMail);
    WhenModalShown([](QWidget* form) { Click(form, "CancelButton"); });
    Action("AddFolderAction")->trigger();
    EXPECT_EQ(StoredChildren(kMail).size(), 4u);

    FForm->DoFileOpened(); // the tree built from the box again
    EXPECT_EQ(Node(id)->Caption, QString(15, QChar(0x540D)));
}

TEST_F(MainTreeTest, RenamingInPlace)
{
    OpenForm(NewFilledBox());
    SelectFolder(kQQ);
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "ＱＱ号码");
    editor->selectAll();
    editor->insert("聊天账号"); // as an input method would
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits once its own key handling is over
    EXPECT_EQ(Node(kQQ)->Caption, "聊天账号");
    EXPECT_EQ(StoredChildren(kWeb)[1].first, "聊天账号");

    // An empty text keeps the name; Esc leaves the editor without minimizing the window.
    for (const Qt::Key end : {Qt::Key_Return, Qt::Key_Escape}) {
        SelectFolder(kQQ);
        Tree()->setFocus();
        QTest::keyClick(Tree(), Qt::Key_F2);
        editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->clear();
        QTest::keyClick(editor, end);
        QCoreApplication::processEvents();
        EXPECT_EQ(Node(kQQ)->Caption, "聊天账号");
        EXPECT_EQ(StoredChildren(kWeb)[1].first, "聊天账号");
        EXPECT_FALSE(FForm->AppMinimized());
    }

    // Categories cannot be renamed in place.
    SelectFolder(kWeb);
    QTest::keyClick(Tree(), Qt::Key_F2);
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
}

TEST_F(MainTreeTest, DeletingAFolderWithItsContent)
{
    const std::string box = NewOpenBox();
    TZembraFolder sub{0, kForum, "子目录", 10};
    DbFileMgr.AddFolder(sub, sub.ID);
    const int32_t inSub = AddWeb(sub.ID, "子目录里的");
    OpenForm(box);

    SelectFolder(kForum);
    FMessages.Answer(QMessageBox::No);
    Action("DeleteFolderAction")->trigger();
    ASSERT_EQ(FMessages.Requests().size(), 1u);
    EXPECT_EQ(FMessages.Requests()[0].Text, "真的删除目录 论坛账号 吗？");
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Question);
    EXPECT_EQ(FMessages.Requests()[0].DefaultButton, QMessageBox::No);
    EXPECT_EQ(StoredChildren(kWeb).size(), 5u);

    FMessages.Answer(QMessageBox::Yes);
    Action("DeleteFolderAction")->trigger();
    EXPECT_EQ(StoredChildren(kWeb).size(), 4u);
    EXPECT_EQ(FolderModel()->FindNode(kForum), nullptr);
    TZmbNetItem gone;
    EXPECT_FALSE(DbFileMgr.GetNetItem(inSub, gone));
    // A neighbour is selected and listed.
    ASSERT_NE(SelectedNode(), nullptr);
    EXPECT_EQ(SelectedNode()->Parent, Node(kWeb));
    EXPECT_TRUE(Tree()->selectionModel()->isSelected(Tree()->currentIndex()));
}

TEST_F(MainTreeTest, MovingFoldersUpAndDownRenumbers)
{
    OpenForm(NewFilledBox());
    SelectFolder(kGame); // second to last of five
    EXPECT_TRUE(Action("FolderMoveDownAction")->isEnabled());
    Action("FolderMoveDownAction")->trigger();
    EXPECT_EQ(ChildCaptions(kWeb), (QStringList{"电子邮件", "ＱＱ号码", "论坛账号", "其它密码", "游戏账号"}));
    EXPECT_FALSE(Action("FolderMoveDownAction")->isEnabled());
    SelectFolder(kMail);
    EXPECT_FALSE(Action("FolderMoveUpAction")->isEnabled());
    SelectFolder(kForum);
    Action("FolderMoveUpAction")->trigger();
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"电子邮件", 10}, {"论坛账号", 20}, {"ＱＱ号码", 30}, {"其它密码", 40}, {"游戏账号", 50}};
    EXPECT_EQ(StoredChildren(kWeb), expected);
    EXPECT_EQ(SelectedNode(), Node(kForum));

    // Categories move too, and get 10, 20, 30.
    SelectFolder(kNotes);
    Action("FolderMoveUpAction")->trigger();
    EXPECT_EQ(ChildCaptions(0), (QStringList{"<网上信息>", "<通用数据>", "<银行账号>"}));
    EXPECT_EQ(StoredChildren(0), (std::vector<std::pair<std::string, int32_t>>{
                                     {"<网上信息>", 10}, {"<通用数据>", 20}, {"<银行账号>", 30}}));
}

TEST_F(MainTreeTest, WhereAFolderMayBeDropped)
{
    const std::string box = NewOpenBox();
    TZembraFolder sub{0, kMail, "子目录", 10};
    DbFileMgr.AddFolder(sub, sub.ID);
    OpenForm(box);
    Tree()->expand(FolderModel()->IndexOf(Node(kMail)));

    const auto mail = FolderDrag(kMail);
    struct {
        int32_t Target;
        bool Accepted;
    } const cases[] = {{sub.ID, false}, {kCmb, false}, {kBank, false}, {0, false}, {kWeb, true}, {kOther, true}};
    for (const auto& c : cases)
        EXPECT_EQ(DragOver(Node(c.Target), *mail), c.Accepted) << c.Target;
    // A category is not dragged anywhere, nor is anything from another program.
    EXPECT_FALSE(FolderModel()->flags(FolderModel()->IndexOf(Node(kBank))).testFlag(Qt::ItemIsDragEnabled));
    EXPECT_TRUE(FolderModel()->flags(FolderModel()->IndexOf(Node(kMail))).testFlag(Qt::ItemIsDragEnabled));
    QMimeData foreign;
    foreign.setData(kFolderDragFormat, "1:4");
    EXPECT_FALSE(DragOver(Node(kWeb), foreign));

    // Next to a category: only as a child.
    EXPECT_FALSE(DropFolder(kMail, kWeb, "DropNodePopSibItem"));
    EXPECT_EQ(Node(kMail)->Parent, Node(kWeb));
}

TEST_F(MainTreeTest, DropMenuMovesWithTheirSortCodes)
{
    const std::string box = NewOpenBox();
    DbFileMgr.ModifyFolderSortCode(kQQ, 21); // 电子邮件 10, ＱＱ 21, 论坛 30 ...
    DbFileMgr.ModifyFolderSortCode(kMail, 20);
    OpenForm(box);

    // As a child: the last child of the target, with the largest former code + 1.
    EXPECT_TRUE(DropFolder(kOther, kForum, "DropNodePopSubItem"));
    EXPECT_EQ(Node(kOther)->Parent, Node(kForum));
    EXPECT_EQ(StoredChildren(kForum), (std::vector<std::pair<std::string, int32_t>>{{"其它密码", 1}}));
    EXPECT_EQ(Node(kOther)->Folder.SortCode, 1);
    EXPECT_EQ(Node(kOther)->Folder.ParentID, kForum);

    // After 电子邮件 (20) with ＱＱ (21) next: no room, so the level becomes 10, 20, 30, 40 and
    // the folder goes between 10 and 20.
    EXPECT_TRUE(DropFolder(kGame, kMail, "DropNodePopSibItem"));
    EXPECT_EQ(StoredChildren(kWeb), (std::vector<std::pair<std::string, int32_t>>{
                                        {"电子邮件", 10}, {"游戏账号", 15}, {"ＱＱ号码", 20}, {"论坛账号", 30}}));

    // After the last sibling (30): 40, and from another parent.
    EXPECT_TRUE(DropFolder(kOther, kForum, "DropNodePopSibItem"));
    EXPECT_EQ(Node(kOther)->Parent, Node(kWeb));
    EXPECT_EQ(StoredChildren(kWeb).back(), (std::pair<std::string, int32_t>{"其它密码", 40}));
    EXPECT_EQ(ChildCaptions(kWeb), (QStringList{"电子邮件", "游戏账号", "ＱＱ号码", "论坛账号", "其它密码"}));

    // Right after the node already in front of it: nothing changes.
    const auto before = StoredChildren(kWeb);
    EXPECT_TRUE(DropFolder(kQQ, kGame, "DropNodePopSibItem"));
    EXPECT_EQ(StoredChildren(kWeb), before);
}

TEST_F(MainTreeTest, RenumberingGivesTheDroppedFolderTheMiddle)
{
    const std::string box = NewOpenBox();
    DbFileMgr.ModifyFolderSortCode(kForum, 21);
    OpenForm(box);
    // 电子邮件 10, ＱＱ 20, 论坛 21, 游戏 40, 其它 50: 其它 dropped after ＱＱ.
    EXPECT_TRUE(DropFolder(kOther, kQQ, "DropNodePopSibItem"));
    EXPECT_EQ(StoredChildren(kWeb), (std::vector<std::pair<std::string, int32_t>>{
                                        {"电子邮件", 10}, {"ＱＱ号码", 20}, {"其它密码", 25}, {"论坛账号", 30}, {"游戏账号", 40}}));
}

TEST_F(MainTreeTest, EntriesDroppedOnFolders)
{
    const std::string box = NewOpenBox();
    const int32_t a = AddWeb(kMail, "A", "", "", 10);
    const int32_t b = AddWeb(kMail, "B", "", "", 20);
    const int32_t c = AddWeb(kMail, "C", "", "", 30);
    AddWeb(kQQ, "已在", "", "", 70);
    OpenForm(box);
    SelectFolder(kMail);

    SelectListRows({0, 2});
    const std::unique_ptr<QMimeData> drag(List()->model()->mimeData(List()->selectionModel()->selectedRows()));
    ASSERT_NE(drag, nullptr);
    EXPECT_FALSE(DragOver(Node(kCmb), *drag)) << "a bank folder takes no web entries";
    EXPECT_FALSE(DragOver(Node(kNotes), *drag));
    EXPECT_TRUE(DragOver(Node(0), *drag)) << "the box's node counts as web";
    EXPECT_TRUE(DragOver(Node(kQQ), *drag));

    FMessages.Answer(QMessageBox::No);
    Drop(Node(kQQ), *drag);
    EXPECT_EQ(ListColumn(0), (QStringList{"A", "B", "C"}));

    FMessages.Answer(QMessageBox::Yes);
    Drop(Node(kQQ), *drag);
    EXPECT_EQ(FMessages.Texts().last(), "真的移动所选中的条目吗？");
    EXPECT_EQ(ListColumn(0), QStringList{"B"});
    EXPECT_TRUE(ListSelectedRows().empty());
    TZmbNetItems moved;
    DbFileMgr.GetNetItemList(kQQ, false, moved);
    ASSERT_EQ(moved.size(), 3u);
    std::sort(moved.begin(), moved.end(), [](const auto& x, const auto& y) { return x.SortCode < y.SortCode; });
    EXPECT_EQ(moved[1].ID, a);
    EXPECT_EQ(moved[2].ID, c);
    EXPECT_GT(moved[1].SortCode, 70) << "after the folder's own entries";

    // On the box's node: folder 0, listed there.
    SelectListRows({0});
    const std::unique_ptr<QMimeData> one(List()->model()->mimeData(List()->selectionModel()->selectedRows()));
    FMessages.Answer(QMessageBox::Yes);
    Drop(Node(0), *one);
    SelectFolder(0);
    EXPECT_EQ(ListColumn(0), QStringList{"B"});
    TZmbNetItem item;
    ASSERT_TRUE(DbFileMgr.GetNetItem(b, item));
    EXPECT_EQ(item.FolderID, 0);
}

TEST_F(MainTreeTest, EntriesDroppedOnTheirOwnFolderGoLastAndStayListed)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "A", "", "", 10);
    AddWeb(kMail, "B", "", "", 20);
    OpenForm(box);
    SelectFolder(kMail);
    SelectListRows({0});
    const std::unique_ptr<QMimeData> drag(List()->model()->mimeData(List()->selectionModel()->selectedRows()));
    FMessages.Answer(QMessageBox::Yes);
    Drop(Node(kMail), *drag);
    EXPECT_EQ(ListColumn(0), (QStringList{"B", "A"}));
}

} // namespace
