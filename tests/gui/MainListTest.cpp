// The entry list of the real window: what each kind shows, sorting and its directions, moving
// rows with the stored codes, the entry commands through the editors, copying a password.
#include "gui/AttachListDriver.h"
#include "gui/FileDialogAnswers.h"
#include "gui/MainFormFixture.h"
#include "services/qt/SecretClipboard.h"
#include "ui/dialogs/AttachList.h"
#include "ui/main/ItemListModel.h"

#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>

namespace {

enum : int32_t { kWeb = 1, kBank = 2, kNotes = 3, kMail = 4, kQQ = 5, kCmb = 9, kDiary = 15 };

class MainListTest : public TMainFormFixture {
protected:
    // Stored sort codes of a folder's web entries by caption, in stored order.
    static std::vector<std::pair<std::string, int32_t>> StoredWeb(int32_t Folder)
    {
        TZmbNetItems items;
        DbFileMgr.GetNetItemList(Folder, false, items);
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.SortCode < b.SortCode; });
        std::vector<std::pair<std::string, int32_t>> result;
        for (const auto& i : items)
            result.emplace_back(i.Caption, i.SortCode);
        return result;
    }
    QStringList HeaderCaptions() const
    {
        QStringList captions;
        for (int i = 0; i < List()->model()->columnCount(); ++i)
            captions << List()->model()->headerData(i, Qt::Horizontal).toString();
        return captions;
    }
    std::vector<int> HeaderWidths() const
    {
        std::vector<int> widths;
        for (int i = 0; i < List()->model()->columnCount(); ++i)
            widths.push_back(List()->header()->sectionSize(i));
        return widths;
    }
};

TEST_F(MainListTest, EachKindShowsItsColumnsMaskedPasswordsShortBodiesAndTips)
{
    const std::string box = NewOpenBox();
    const std::string comment300(300, 'c');
    AddWeb(kMail, "邮箱", "me", "abc", 10, comment300);
    AddWeb(kMail, "无备注", "you", "", 20);
    AddBank(kCmb, "招商银行", "信用卡", "6225 0000", "1234");
    std::string body;
    while (body.size() < 120)
        body += "line\t\r\n";
    AddNote(kDiary, "日记", body);
    OpenForm(box);

    SelectFolder(kMail);
    EXPECT_EQ(HeaderCaptions(), (QStringList{"标题", "用户名", "密码"}));
    EXPECT_EQ(HeaderWidths(), (std::vector<int>{150, 145, 145}));
    EXPECT_EQ(ListColumn(1), (QStringList{"me", "you"}));
    EXPECT_EQ(ListColumn(2), (QStringList{"***", ""}));
    EXPECT_EQ(Status(), "当前列表中共 2 个条目");
    // The first row has the focus, nothing is selected.
    EXPECT_EQ(List()->currentIndex().row(), 0);
    EXPECT_TRUE(ListSelectedRows().empty());
    auto* model = static_cast<TItemListModel*>(List()->model());
    EXPECT_EQ(model->InfoTip(0), QStringLiteral("备注:\u3000\u3000\u3000\n") + QString(200, 'c') + "...");
    EXPECT_EQ(model->InfoTip(1), "");
    EXPECT_TRUE(model->index(0, 0).data(Qt::ToolTipRole).toString().contains(QString(200, 'c')));
    EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).isNull());

    AppOptionsMgr().SetValues(AppOpt::MaskPassword, false);
    FForm->ApplyOptions();
    EXPECT_EQ(ListColumn(2), (QStringList{"abc", ""}));
    AppOptionsMgr().SetValues(AppOpt::MaskPassword, true);

    SelectFolder(kCmb);
    EXPECT_EQ(HeaderCaptions(), (QStringList{"开户行", "类别", "账号/卡号", "密码"}));
    EXPECT_EQ(HeaderWidths(), (std::vector<int>{205, 80, 160, 120}));
    EXPECT_EQ(ListColumn(1), QStringList{"信用卡"});
    EXPECT_EQ(ListColumn(2), QStringList{"6225 0000"});
    EXPECT_EQ(ListColumn(3), QStringList{"****"});

    SelectFolder(kDiary);
    EXPECT_EQ(HeaderCaptions(), (QStringList{"标题", "内容"}));
    EXPECT_EQ(HeaderWidths(), (std::vector<int>{150, 295}));
    QString expected = QString::fromStdString(body).left(100) + "...";
    for (QChar& ch : expected)
        if (ch < QChar(0x20))
            ch = ' ';
    EXPECT_EQ(ListColumn(1), QStringList{expected});

    SelectFolder(kQQ);
    EXPECT_EQ(Status(), "");
    EXPECT_FALSE(Action("SelectAllAction")->isEnabled());
}

TEST_F(MainListTest, ColumnSortsTheirDirectionsAndTheDefaultOrder)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "b", "", "", 10);
    AddWeb(kMail, "C", "", "", 20);
    AddWeb(kMail, "a", "", "", 30);
    AddWeb(kQQ, "y", "", "", 10);
    AddWeb(kQQ, "x", "", "", 20);
    AddBank(kCmb, "银行", "", "1");
    OpenForm(box);
    SelectFolder(kMail);
    SelectListRows({0}); // "b"

    QTest::mouseClick(List()->header()->viewport(), Qt::LeftButton, {},
                      QPoint(List()->header()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(ListColumn(0), (QStringList{"C", "a", "b"}));
    EXPECT_EQ(ListSelectedRows(), std::vector<int>{2}) << "the selection follows its entry";
    QTest::mouseClick(List()->header()->viewport(), Qt::LeftButton, {},
                      QPoint(List()->header()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(ListColumn(0), (QStringList{"b", "a", "C"}));

    Action("SortItemsByDefaultAction")->trigger();
    EXPECT_EQ(ListColumn(0), (QStringList{"b", "C", "a"}));
    // The column's next direction is still ascending, in another folder of the same kind too.
    SelectFolder(kQQ);
    auto* menu = Child<QMenu>(FForm.get(), "ListViewPopupMenu");
    auto* sortMenu = menu->findChild<QMenu*>("SortSubMenu");
    emit sortMenu->aboutToShow();
    QStringList items;
    for (QAction* a : sortMenu->actions())
        items << (a->isSeparator() ? "-" : a->text() + "/" + a->data().toString());
    EXPECT_EQ(items, (QStringList{"按缺省方式排序(&D)/-1", "按 “标题” 排序/0", "按 “用户名” 排序/1", "按 “密码” 排序/2",
                                  "-", "将当前顺序设为缺省顺序(&S)/-1"}));
    sortMenu->actions()[1]->trigger();
    EXPECT_EQ(ListColumn(0), (QStringList{"x", "y"}));
    emit sortMenu->aboutToShow(); // made again, not added twice
    EXPECT_EQ(sortMenu->actions().size(), 6);

    // Another kind: new columns, directions from the start.
    SelectFolder(kCmb);
    emit sortMenu->aboutToShow();
    EXPECT_EQ(sortMenu->actions().size(), 7);
    EXPECT_EQ(static_cast<TItemListModel*>(List()->model())->ColumnTag(0), 0);

    // The order is not stored until asked for.
    SelectFolder(kMail);
    QTest::mouseClick(List()->header()->viewport(), Qt::LeftButton, {},
                      QPoint(List()->header()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(StoredWeb(kMail).front().first, "b");
    Action("SetCurSortToDefaultAction")->trigger();
    EXPECT_EQ(StoredWeb(kMail), (std::vector<std::pair<std::string, int32_t>>{{"C", 10}, {"a", 20}, {"b", 30}}));
}

TEST_F(MainListTest, MovingRowsStoresTheWholeOrder)
{
    const std::string box = NewOpenBox();
    for (const char* c : {"A", "B", "C", "D", "E"})
        AddWeb(kMail, c, "", "", 7);
    OpenForm(box);
    SelectFolder(kMail);

    SelectListRows({2, 3});
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(ListColumn(0), (QStringList{"A", "C", "D", "B", "E"}));
    EXPECT_EQ(ListSelectedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(StoredWeb(kMail),
              (std::vector<std::pair<std::string, int32_t>>{{"A", 10}, {"C", 20}, {"D", 30}, {"B", 40}, {"E", 50}}));

    // With row 0 among them nothing moves and nothing is stored.
    DbFileMgr.ModifyNetItemSortCode(5, 99); // "E" changed behind the window's back: a store would undo it
    const auto before = StoredWeb(kMail);
    SelectListRows({0, 2});
    Action("ItemMoveUpAction")->trigger();
    EXPECT_EQ(ListColumn(0), (QStringList{"A", "C", "D", "B", "E"}));
    EXPECT_EQ(StoredWeb(kMail), before);

    SelectListRows({1, 3});
    Action("ItemMoveDownAction")->trigger();
    EXPECT_EQ(ListColumn(0), (QStringList{"A", "D", "C", "E", "B"}));
    EXPECT_EQ(ListSelectedRows(), (std::vector<int>{2, 4}));
    SelectListRows({4});
    Action("ItemMoveDownAction")->trigger();
    EXPECT_EQ(ListColumn(0).last(), "B");
    // The default order is now the stored one.
    Action("SortItemsByDefaultAction")->trigger();
    EXPECT_EQ(ListColumn(0), (QStringList{"A", "D", "C", "E", "B"}));
}

TEST_F(MainListTest, AddEditAndDeleteThroughTheEditors)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "一", "u1", "p1", 10);
    AddWeb(kMail, "二", "u2", "p2", 30);
    OpenForm(box);
    SelectFolder(kMail);

    // Add mode: each OK stores one entry and clears the editor; "关闭" ends it.
    WhenModalShown([](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), "添加条目");
        Put(form, "CaptionEdit", "三");
        Type(form, "PasswordEdit", "p3");
        Click(form, "OkButton");
        EXPECT_EQ(Child<QLineEdit>(form, "CaptionEdit")->text(), "");
        Put(form, "CaptionEdit", "四");
        Click(form, "OkButton");
        Click(form, "CancelButton");
    });
    Action("AddItemAction")->trigger();
    EXPECT_EQ(ListColumn(0), (QStringList{"一", "二", "三", "四"}));
    EXPECT_EQ(ListSelectedRows(), std::vector<int>{3});
    EXPECT_EQ(StoredWeb(kMail), (std::vector<std::pair<std::string, int32_t>>{{"一", 10}, {"二", 30}, {"三", 40}, {"四", 50}}));
    EXPECT_EQ(Status(), "当前列表中共 4 个条目");

    // Modify mode from the keyboard: Enter opens the first selected entry.
    SelectListRows({2, 3});
    List()->setFocus();
    WhenModalShown([](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), "修改条目");
        EXPECT_EQ(Child<QLineEdit>(form, "CaptionEdit")->text(), "三");
        EXPECT_EQ(Child<QLineEdit>(form, "PasswordEdit")->text(), "p3");
        Put(form, "UserNameEdit", "新用户");
        Click(form, "OkButton");
    });
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_EQ(ListColumn(1)[2], "新用户");
    TZmbNetItems stored;
    DbFileMgr.GetNetItemList(kMail, false, stored);
    EXPECT_EQ(std::count_if(stored.begin(), stored.end(), [](const auto& i) { return i.UserName == "新用户"; }), 1);
    EXPECT_EQ(StoredWeb(kMail)[2], (std::pair<std::string, int32_t>{"三", 40}));

    // Cancel changes nothing.
    WhenModalShown([](QWidget* form) {
        Put(form, "CaptionEdit", "不要");
        Click(form, "CancelButton");
    });
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Space);
    EXPECT_EQ(ListColumn(0)[2], "三");

    // Deleting: No keeps them, Yes removes them from the box and the list.
    SelectListRows({0, 1, 3});
    FMessages.Answer(QMessageBox::No);
    Action("DeleteItemAction")->trigger();
    EXPECT_EQ(ListColumn(0).size(), 4);
    FMessages.Answer(QMessageBox::Yes);
    Action("DeleteItemAction")->trigger();
    EXPECT_EQ(FMessages.Texts().last(), "真的删除所选中的条目吗？");
    EXPECT_EQ(FMessages.Requests().back().DefaultButton, QMessageBox::No);
    EXPECT_EQ(ListColumn(0), QStringList{"三"});
    EXPECT_TRUE(ListSelectedRows().empty());
    EXPECT_EQ(StoredWeb(kMail).size(), 1u);
    EXPECT_FALSE(Action("DeleteItemAction")->isEnabled());
    EXPECT_EQ(Status(), "当前列表中共 1 个条目");
}

TEST_F(MainListTest, BankAndGeneralEntriesAndTheirAttachments)
{
    const std::string box = NewOpenBox();
    const int32_t note = AddNote(kDiary, "有附件", "正文");
    for (const char* name : {"a.txt", "b.txt"}) {
        TAttachData data;
        data.Name = name;
        data.Bin = std::string("content of ") + name;
        data.Size = static_cast<int32_t>(data.Bin.size());
        data.OwnerID = note;
        DbFileMgr.AddAttachment(data, data.ID);
    }
    OpenForm(box);

    SelectFolder(kCmb);
    WhenModalShown([](QWidget* form) {
        Put(form, "BankNameEdit", "招商银行");
        Type(form, "AccountEdit", "6225");
        Click(form, "OkButton");
        Click(form, "CancelButton");
    });
    Action("AddItemAction")->trigger();
    EXPECT_EQ(ListColumn(0), QStringList{"招商银行"});
    TZmbBankItems banks;
    DbFileMgr.GetBankItemList(kCmb, false, banks);
    ASSERT_EQ(banks.size(), 1u);
    EXPECT_EQ(banks[0].SortCode, 10);

    // Editing a general entry: Cancel leaves the entry and its files alone, whatever was done
    // to them in the editor.
    SelectFolder(kDiary);
    TAttachDataHeaderAry before;
    DbFileMgr.GetAttachmentList(before, note);
    ASSERT_EQ(before.size(), 2u);
    const auto openEditor = [&](const std::function<void(QWidget*)>& Edit) {
        SelectListRows({0});
        WhenModalShown(Edit);
        Action("ItemInfoAction")->trigger();
    };
    openEditor([](QWidget* form) {
        EXPECT_EQ(AttachRows(form), (QStringList{"a.txt", "b.txt"}));
        Put(form, "CaptionEdit", "不要");
        SelectAttach(form, 0);
        TriggerAttachItem(form, "DeleteAttachItem");
        Click(form, "CancelButton");
    });
    EXPECT_EQ(ListColumn(0), QStringList{"有附件"});
    TAttachDataHeaderAry headers;
    DbFileMgr.GetAttachmentList(headers, note);
    EXPECT_EQ(headers.size(), 2u);

    // OK: one file deleted, one renamed, one added, with the entry's new title.
    TFileDialogAnswers files;
    WriteAll(FDir / "d.txt", "new file");
    files.Answer(FDir / "d.txt");
    openEditor([](QWidget* form) {
        Put(form, "CaptionEdit", "改过的");
        SelectAttach(form, 0);
        TriggerAttachItem(form, "DeleteAttachItem");
        SelectAttach(form, 0);
        RenameSelectedAttach(form, "c.doc");
        Click(form, "AddAttachButton");
        EXPECT_EQ(AttachRows(form), (QStringList{"c.doc", "d.txt"}));
        Click(form, "OkButton");
    });
    EXPECT_EQ(ListColumn(0), QStringList{"改过的"});
    TZmbCommItem stored;
    ASSERT_TRUE(DbFileMgr.GetCommItem(note, stored));
    EXPECT_EQ(stored.Caption, "改过的");
    DbFileMgr.GetAttachmentList(headers, note);
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0].ID, before[1].ID) << "renamed, not stored again";
    EXPECT_EQ(headers[0].Name, "c.doc");
    EXPECT_EQ(headers[1].Name, "d.txt");
    TMemoryStream content;
    ASSERT_TRUE(DbFileMgr.GetAttachment(headers[1].ID, content));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(content.Memory()), static_cast<std::size_t>(content.Size())),
              "new file");
    EXPECT_FALSE(DbFileMgr.GetAttachment(before[0].ID, content));

    // A new general entry with its files, in list order.
    TAttachList newFiles;
    for (const char* name : {"1.png", "2.png"}) {
        TAttachData data;
        data.Name = name;
        newFiles.Add(data);
    }
    TZmbCommItem item;
    item.Caption = "新的";
    ASSERT_TRUE(FForm->AddCommItem(item, newFiles));
    DbFileMgr.GetAttachmentList(headers, item.ID);
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0].Name, "1.png");
    EXPECT_EQ(ListColumn(0).last(), "新的");
    // Not the kind the list shows: refused.
    TZmbNetItem web;
    EXPECT_FALSE(FForm->AddNetItem(web));
}

TEST_F(MainListTest, CopiedPasswordIsMarkedSecretAndClearedLater)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "邮箱", "me", "pa55");
    AddNote(kDiary, "笔记", "正文");
    OpenForm(box);
    uint32_t now = 500000;
    TSecretClipboard::Shared().SetClock([&now] { return now; });
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("before");

    SelectFolder(kDiary);
    SelectListRows({0});
    auto* menu = Child<QMenu>(FForm.get(), "ListViewPopupMenu");
    emit menu->aboutToShow();
    EXPECT_FALSE(Action("CopyPwdAction")->isVisible());
    Action("CopyPwdAction")->trigger();
    EXPECT_EQ(clipboard->text(), "before");

    SelectFolder(kMail);
    SelectListRows({0});
    emit menu->aboutToShow();
    EXPECT_TRUE(Action("CopyPwdAction")->isVisible());
    Action("CopyPwdAction")->trigger();
    EXPECT_EQ(clipboard->text(), "pa55");
    EXPECT_EQ(clipboard->mimeData()->data("x-kde-passwordManagerHint"), "secret");
    now += 19999;
    TSecretClipboard::Shared().TimerTimer();
    EXPECT_EQ(clipboard->text(), "pa55");
    now += 1;
    TSecretClipboard::Shared().TimerTimer();
    EXPECT_EQ(clipboard->text(), "");
    TSecretClipboard::Shared().SetClock(nullptr);
}

TEST_F(MainListTest, SelectAllAndTheActionStates)
{
    const std::string box = NewOpenBox();
    for (const char* c : {"A", "B", "C"})
        AddWeb(kMail, c);
    OpenForm(box);
    SelectFolder(kMail);
    for (const char* name : {"DeleteItemAction", "ItemInfoAction", "ItemMoveUpAction", "ItemMoveDownAction"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
    EXPECT_TRUE(Action("SelectAllAction")->isEnabled());
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ListSelectedRows(), (std::vector<int>{0, 1, 2}));
    for (const char* name : {"DeleteItemAction", "ItemInfoAction", "ItemMoveUpAction", "ItemMoveDownAction"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;

    // A double-click on a row opens it; on a childless folder it adds an entry.
    QString opened;
    WhenModalShown([&opened](QWidget* form) {
        opened = form->windowTitle();
        Click(form, "CancelButton");
    });
    const QRect row = List()->visualRect(List()->model()->index(1, 0));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(opened, "修改条目");
    SelectFolder(kQQ);
    WhenModalShown([&opened](QWidget* form) {
        opened = form->windowTitle();
        Click(form, "CancelButton");
    });
    const QRect node = Tree()->visualRect(FolderModel()->IndexOf(Node(kQQ)));
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, node.center());
    QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {}, node.center());
    EXPECT_EQ(opened, "添加条目");
}

} // namespace
