// The general-entry editor with its attachments, the attachment list and the contract by which
// the main window applies an edited list.
#include "gui/AttachListDriver.h"
#include "gui/EditorFixture.h"
#include "gui/TestIconTheme.h"
#include "gui/UrlRecorder.h"
#include "services/PrivateFiles.h"
#include "services/qt/SysImgList.h"
#include "ui/dialogs/CommItemFrm.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>

#include <sys/stat.h>

namespace {

class CommItemFormTest : public TEditorFixture {
protected:
    // A file in the test's folder.
    std::string File(const std::string& Name, const std::string& Content)
    {
        const std::string path = FDir / Name;
        WriteAll(path, Content);
        return path;
    }
    // A stored general entry with attachments named and filled as given.
    int32_t StoredEntry(const std::vector<std::pair<std::string, std::string>>& Files)
    {
        TZmbCommItem item;
        item.FolderID = ztCommItem;
        item.Caption = "合同";
        int32_t id = 0;
        DbFileMgr.AddCommItem(item, id);
        for (const auto& [name, content] : Files) {
            TAttachData a;
            a.Name = name;
            a.Size = static_cast<int32_t>(content.size());
            a.OwnerID = id;
            a.Bin = TSecretString(content);
            int32_t aid = 0;
            DbFileMgr.AddAttachment(a, aid);
        }
        return id;
    }
    static TAttachDataHeaderAry Stored(int32_t OwnerID)
    {
        TAttachDataHeaderAry list;
        DbFileMgr.GetAttachmentList(list, OwnerID);
        return list;
    }
    static std::string Content(int32_t ID)
    {
        TMemoryStream data;
        EXPECT_TRUE(DbFileMgr.GetAttachment(ID, data));
        return std::string(reinterpret_cast<const char*>(data.Memory()), static_cast<std::size_t>(data.Size()));
    }
};

TEST_F(CommItemFormTest, AddModeStoresTheEntryWithItsAttachmentsAndComesBackEmpty)
{
    std::string big(5 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 2654435761u) >> 13);
    FFileDialogs.Answer(File("empty.txt", ""));
    FFileDialogs.Answer(File("one.bin", "x"));
    FFileDialogs.Answer(File("大文件.pdf", big));
    TAttachList list;
    QStringList shown;
    bool visibleBefore = true;
    bool visibleAfter = true;
    QString titleAfter;
    WhenModalShown([&](QWidget* form) {
        visibleBefore = AttachView(form)->isVisible();
        Type(form, "CaptionEdit", "扫描件");
        for (int i = 0; i < 3; ++i)
            Click(form, "AddAttachButton");
        shown = AttachRows(form);
        EXPECT_EQ(AttachView(form)->currentRow(), 2);
        EXPECT_TRUE(AttachView(form)->isVisible());
        Click(form, "OkButton");
        visibleAfter = AttachView(form)->isVisible();
        titleAfter = Child<QLineEdit>(form, "CaptionEdit")->text();
        EXPECT_EQ(AttachView(form)->count(), 0);
        Click(form, "CancelButton");
    });
    TZmbCommItem item;
    EXPECT_FALSE(ShowCommItemForm(true, item, list));
    EXPECT_FALSE(visibleBefore);
    EXPECT_EQ(shown, (QStringList{"empty.txt", "one.bin", "大文件.pdf"}));
    EXPECT_FALSE(visibleAfter);
    EXPECT_EQ(titleAfter, "");
    EXPECT_EQ(list.GetCount(), 0);
    ASSERT_EQ(FFileDialogs.Requests.size(), 3u);
    EXPECT_EQ(FFileDialogs.Requests[0].Title, "选择文件");

    TZmbCommItems entries;
    DbFileMgr.GetCommItemList(ztCommItem, false, entries);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Caption, "扫描件");
    const TAttachDataHeaderAry stored = Stored(entries[0].ID);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].Name, "empty.txt");
    EXPECT_EQ(stored[0].Size, 0);
    EXPECT_EQ(Content(stored[0].ID), "");
    EXPECT_EQ(stored[1].Size, 1);
    EXPECT_EQ(Content(stored[1].ID), "x");
    EXPECT_EQ(stored[2].Name, "大文件.pdf");
    EXPECT_EQ(stored[2].Size, 5 * 1024 * 1024);
    EXPECT_TRUE(Content(stored[2].ID) == big);
}

TEST_F(CommItemFormTest, AFileThatCannotBeReadChangesNothing)
{
    FFileDialogs.Answer(FDir / "missing.txt");
    FFileDialogs.Answer(FDir.Path().string()); // a folder
    TAttachList list;
    int rows = -1;
    WhenModalShown([&](QWidget* form) {
        Click(form, "AddAttachButton");
        TriggerAttachItem(form, "AddAttachItem");
        rows = AttachView(form)->count();
        Click(form, "CancelButton");
    });
    TZmbCommItem item;
    ShowCommItemForm(true, item, list);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(list.GetCount(), 0);
    const QStringList texts = FMessages.Texts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].startsWith(QString::fromStdString("无法读取文件“" + FDir / "missing.txt" + "”：")))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[1].endsWith("这不是一个普通文件")) << texts[1].toStdString();
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Critical);
}

TEST_F(CommItemFormTest, RenamingChangesTheNameAndTheIconAtOnce)
{
    // Extensions no other test here uses, so the program's icon cache meets them with this theme.
    TTestIconTheme theme;
    const int32_t id = StoredEntry({{"报告.png", "text"}});
    TAttachList list;
    list.LoadFromDb(id);
    TZmbCommItem item;
    DbFileMgr.GetCommItem(id, item);
    qint64 iconBefore = 0;
    qint64 iconAfter = 0;
    WhenModalShown([&](QWidget* form) {
        SelectAttach(form, 0);
        iconBefore = AttachView(form)->item(0)->icon().cacheKey();
        RenameSelectedAttach(form, "报告.html");
        iconAfter = AttachView(form)->item(0)->icon().cacheKey();
        Click(form, "OkButton");
    });
    EXPECT_TRUE(ShowCommItemForm(false, item, list));
    EXPECT_NE(iconBefore, iconAfter);
    EXPECT_EQ(iconBefore, SysImageList().Icon(SysImageList().GetIconIndexFromExt("x.png")).cacheKey());
    EXPECT_EQ(iconAfter, SysImageList().Icon(SysImageList().GetIconIndexFromExt("x.html")).cacheKey());
    EXPECT_EQ(list.GetItemPtr(0)->Name, "报告.html");
    // The caller's part after OK.
    DbFileMgr.ModifyCommItem(id, item);
    list.ApplyToDb(id);
    const TAttachDataHeaderAry stored = Stored(id);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Name, "报告.html");
    EXPECT_EQ(Content(stored[0].ID), "text");
}

TEST_F(CommItemFormTest, DeleteThenCancelLeavesTheStoreUntouched)
{
    const int32_t id = StoredEntry({{"a.txt", "A"}, {"b.txt", "B"}});
    const TAttachDataHeaderAry before = Stored(id);
    TAttachList list;
    list.LoadFromDb(id);
    TZmbCommItem item;
    DbFileMgr.GetCommItem(id, item);
    QStringList rowsAfterDelete;
    bool visible = false;
    WhenModalShown([&](QWidget* form) {
        SelectAttach(form, 0);
        QTest::keyClick(AttachView(form), Qt::Key_Delete);
        SelectAttach(form, 0);
        TriggerAttachItem(form, "DeleteAttachItem");
        rowsAfterDelete = AttachRows(form);
        visible = AttachView(form)->isVisible();
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowCommItemForm(false, item, list));
    EXPECT_TRUE(rowsAfterDelete.isEmpty());
    EXPECT_TRUE(visible);
    EXPECT_EQ(list.GetCount(), 0);
    const TAttachDataHeaderAry after = Stored(id);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[0].ID, before[0].ID);
    EXPECT_EQ(after[1].ID, before[1].ID);
}

TEST_F(CommItemFormTest, DelInTheTitleDeletesTextNotAnAttachment)
{
    const int32_t id = StoredEntry({{"a.txt", "A"}});
    TAttachList list;
    list.LoadFromDb(id);
    TZmbCommItem item;
    DbFileMgr.GetCommItem(id, item);
    QString title;
    int rows = 0;
    WhenModalShown([&](QWidget* form) {
        AttachView(form)->setCurrentRow(0);
        auto* caption = Child<QLineEdit>(form, "CaptionEdit");
        caption->setFocus();
        caption->setCursorPosition(0);
        QTest::keyClick(caption, Qt::Key_Delete);
        title = caption->text();
        rows = AttachView(form)->count();
        Click(form, "CancelButton");
    });
    ShowCommItemForm(false, item, list);
    EXPECT_EQ(title, "同");
    EXPECT_EQ(rows, 1);
}

TEST_F(CommItemFormTest, AReplacedFileOfTheSameNameIsOneDeletionAndOneAddition)
{
    const int32_t id = StoredEntry({{"合同.doc", "old"}, {"附录.txt", "keep"}});
    const TAttachDataHeaderAry before = Stored(id);
    FFileDialogs.Answer(File("合同.doc", "new"));
    TAttachList list;
    list.LoadFromDb(id);
    TZmbCommItem item;
    DbFileMgr.GetCommItem(id, item);
    WhenModalShown([&](QWidget* form) {
        SelectAttach(form, 0);
        TriggerAttachItem(form, "DeleteAttachItem");
        Click(form, "AddAttachButton");
        EXPECT_EQ(AttachRows(form), (QStringList{"附录.txt", "合同.doc"}));
        Type(form, "CaptionEdit", "新合同");
        Click(form, "OkButton");
    });
    ASSERT_TRUE(ShowCommItemForm(false, item, list));
    EXPECT_EQ(item.Caption, "新合同");
    DbFileMgr.ModifyCommItem(id, item);
    list.ApplyToDb(id);

    const TAttachDataHeaderAry after = Stored(id);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].ID, before[1].ID);
    EXPECT_EQ(after[0].Name, "附录.txt");
    EXPECT_EQ(after[1].Name, "合同.doc");
    EXPECT_NE(after[1].ID, before[0].ID);
    EXPECT_EQ(Content(after[1].ID), "new");
    TMemoryStream gone;
    EXPECT_FALSE(DbFileMgr.GetAttachment(before[0].ID, gone));
    TZmbCommItem stored;
    DbFileMgr.GetCommItem(id, stored);
    EXPECT_EQ(stored.Caption, "新合同");
}

TEST_F(CommItemFormTest, OpeningUsesAPrivateCopyThatIsWipedAfterTheMessage)
{
    const int32_t id = StoredEntry({{"../../etc/秘密.txt", "top secret"}});
    TAttachList list;
    list.LoadFromDb(id);
    TZmbCommItem item;
    DbFileMgr.GetCommItem(id, item);
    TUrlRecorder desktop;
    std::string opened;
    std::string contentAtMessage;
    mode_t fileMode = 0;
    mode_t folderMode = 0;
    FMessages.SetOnMessage([&](const TMessageBoxRequest&) {
        opened = desktop.Urls.isEmpty() ? "" : desktop.Urls.last().toLocalFile().toStdString();
        contentAtMessage = ReadAll(opened);
        struct stat st {};
        if (::stat(opened.c_str(), &st) == 0)
            fileMode = st.st_mode & 0777;
        if (::stat(PrivateTempFolder().c_str(), &st) == 0)
            folderMode = st.st_mode & 0777;
    });
    WhenModalShown([&](QWidget* form) {
        SelectAttach(form, 0);
        QTest::keyClick(AttachView(form), Qt::Key_Return);
        Click(form, "CancelButton");
    });
    ShowCommItemForm(false, item, list);
    EXPECT_EQ(FMessages.Texts(), QStringList{"附件已另存到临时目录，运行完毕后，请点击确定删除附件。"});
    // The name's folder part does not lead the copy out of the private folder.
    EXPECT_EQ(opened, PrivateTempFolder() + "秘密.txt");
    EXPECT_EQ(contentAtMessage, "top secret");
    EXPECT_EQ(fileMode, 0600u);
    EXPECT_EQ(folderMode, 0700u);
    EXPECT_FALSE(std::filesystem::exists(opened));
}

TEST_F(CommItemFormTest, SaveAsWritesTheContentAndAnEmptyAttachmentGivesAnEmptyFile)
{
    const int32_t id = StoredEntry({{"空.txt", ""}, {"数据.bin", std::string("a\0b", 3)}});
    TAttachList list;
    list.LoadFromDb(id);
    TZmbCommItem item;
    DbFileMgr.GetCommItem(id, item);
    WriteAll(FDir / "out0", "something longer that must go");
    FFileDialogs.Answer(FDir / "out0");
    FFileDialogs.Answer(FDir / "out1");
    WhenModalShown([&](QWidget* form) {
        for (int row = 0; row < 2; ++row) {
            SelectAttach(form, row);
            TriggerAttachItem(form, "SaveAttachItem");
        }
        Click(form, "CancelButton");
    });
    ShowCommItemForm(false, item, list);
    ASSERT_EQ(FFileDialogs.Requests.size(), 2u);
    EXPECT_EQ(FFileDialogs.Requests[0].Kind, fdSave);
    EXPECT_EQ(FFileDialogs.Requests[0].Title, "另存为");
    EXPECT_EQ(FFileDialogs.Requests[1].FileName, "数据.bin");
    EXPECT_TRUE(std::filesystem::exists(FDir / "out0"));
    EXPECT_EQ(ReadAll(FDir / "out0"), "");
    EXPECT_EQ(ReadAll(FDir / "out1"), std::string("a\0b", 3));
}

TEST_F(CommItemFormTest, TheMenuHoldsItsItemsInOrderWithTheirKeys)
{
    TAttachList list;
    QStringList captions;
    QString defaultItem;
    WhenModalShown([&](QWidget* form) {
        auto* menu = Child<QMenu>(form, "AttachPopupMenu");
        for (QAction* a : menu->actions())
            captions << (a->isSeparator() ? "-" : a->text() + (a->shortcut().isEmpty() ? "" : " " + a->shortcut().toString()));
        defaultItem = menu->defaultAction()->text();
        EXPECT_FALSE(Child<QPushButton>(form, "OkButton")->isDefault());
        Click(form, "CancelButton");
    });
    TZmbCommItem item;
    ShowCommItemForm(true, item, list);
    EXPECT_EQ(captions, (QStringList{"打开附件(&O)...", "另存为(&S)...", "-", "添加附件(&A)...", "删除附件(&D) Del",
                                     "附件改名(&R) F2"}));
    EXPECT_EQ(defaultItem, "打开附件(&O)...");
}

TEST(AttachListTest, HoldsIndependentCopiesFoundByID)
{
    TAttachList list;
    TAttachData a;
    a.Name = "a";
    a.Bin = TSecretString(std::string(64, 'S'));
    for (const int32_t id : {5, 6, 5}) {
        a.ID = id;
        list.Add(a);
    }
    EXPECT_EQ(list.IndexOfID(5), 0);
    EXPECT_EQ(list.IndexOfID(6), 1);
    EXPECT_EQ(list.IndexOfID(7), -1);
    list.GetItemPtr(1)->Name = "changed";
    EXPECT_EQ(a.Name, "a");
    EXPECT_EQ(list.GetItemPtr(1)->Name, "changed");
    EXPECT_THROW(list.Delete(3), std::out_of_range);
    EXPECT_THROW(list.GetItemPtr(-1), std::out_of_range);
    list.Delete(0);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.IndexOfID(6), 0);
    EXPECT_EQ(list.IndexOfID(5), 1);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(a.Bin.str(), std::string(64, 'S'));
}

} // namespace
