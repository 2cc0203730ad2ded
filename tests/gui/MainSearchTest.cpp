// The search box and the result pane of the real window: the hits of every kind with their
// category, the jump to an entry, the message for no hits, showing and hiding the pane.
#include "boxdata/SearchCache.h"
#include "gui/MainFormFixture.h"
#include "gui/ModalHelpers.h"
#include "ui/components/Splitter.h"
#include "ui/dialogs/AttachList.h"
#include "ui/main/FolderTreeView.h"
#include "ui/main/SearchResultModel.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSplitterHandle>

#include <tuple>

namespace {

enum : int32_t { kWeb = 1, kBank = 2, kMail = 4, kCmb = 9, kDiary = 15 };

// A search result as a comparable row: kind, id, caption.
using THit = std::tuple<int, int32_t, std::string>;

class MainSearchTest : public TMainFormFixture {
protected:
    QTreeView* Results() const { return Child<QTreeView>(FForm.get(), "SearchResultListView"); }
    QWidget* Pane() const { return Child<QWidget>(FForm.get(), "SearchResultPanel"); }
    void Search(const QString& Text) const
    {
        auto* box = Child<QLineEdit>(FForm.get(), "SearchBox");
        box->setFocus();
        box->setText(Text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    // The hits the window lists for Text beside those the box's own search answers.
    void ExpectSameHitsAsTheBox(const QString& Text, const std::string& When)
    {
        auto* model = static_cast<TSearchResultModel*>(Results()->model());
        model->SetRows({}); // the pane keeps the last hits when nothing is found
        Search(Text);
        std::vector<THit> shown;
        for (int r = 0; r < model->rowCount(); ++r) {
            const TSearchResultItem item = model->Item(r);
            shown.emplace_back(item.ZembraType, item.ItemID, item.Caption);
        }
        TSearchResultItems answer;
        DbFileMgr.Search(Text.toStdString(), answer);
        std::vector<THit> expected;
        for (const TSearchResultItem& item : answer)
            expected.emplace_back(item.ZembraType, item.ItemID, item.Caption);
        EXPECT_EQ(shown, expected) << "searching " << Text.toStdString() << " " << When;
    }
    // Every live entry of the box.
    static std::size_t EntryCount()
    {
        TSearchTexts texts;
        DbFileMgr.GetSearchTexts(texts);
        return texts.size();
    }
    const TSearchCache& Cache() const { return FForm->SearchCache(); }
    QStringList ResultRows() const
    {
        QStringList rows;
        for (int r = 0; r < Results()->model()->rowCount(); ++r)
            rows << Results()->model()->index(r, 0).data().toString() + "|" +
                        Results()->model()->index(r, 1).data().toString();
        return rows;
    }
};

TEST_F(MainSearchTest, HitsOfEveryKindAndTheJumpToTheFirst)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "其他");
    AddWeb(kMail, "网页 Needle");
    AddBank(kCmb, "银行", "", "needle-1");
    const int32_t note = AddNote(kDiary, "笔记", "a NEEDLE here");
    OpenForm(box);
    EXPECT_TRUE(Pane()->isHidden());

    Search("needle");
    EXPECT_EQ(ResultRows(), (QStringList{"<网上信息>|网页 Needle", "<银行账号>|银行", "<通用数据>|笔记"}));
    EXPECT_FALSE(Pane()->isHidden());
    EXPECT_EQ(Pane()->height(), 106);
    EXPECT_TRUE(Action("ViewSearchResultAction")->isChecked());
    // The first hit's folder and row are selected, the list has the focus.
    EXPECT_EQ(SelectedNode(), Node(kMail));
    EXPECT_EQ(ListSelectedRows(), std::vector<int>{1});
    EXPECT_EQ(List()->currentIndex().row(), 1);
    EXPECT_EQ(QApplication::focusWidget(), List());
    // Back in the search box, typing replaces the last search.
    KeyToWindow(Qt::Key_F3);
    EXPECT_EQ(Child<QLineEdit>(FForm.get(), "SearchBox")->selectedText(), "needle");

    // A double click on a hit jumps there; a deleted entry is passed over.
    const QRect third = Results()->visualRect(Results()->model()->index(2, 0));
    QTest::mouseClick(Results()->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(Results()->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(SelectedNode(), Node(kDiary));
    EXPECT_EQ(ListColumn(0)[ListSelectedRows().at(0)], "笔记");
    DbFileMgr.DeleteCommItem(note);
    SelectFolder(kWeb);
    Results()->setCurrentIndex(Results()->model()->index(2, 0));
    Action("SRLocateItem")->trigger();
    EXPECT_EQ(SelectedNode(), Node(kWeb));
    EXPECT_FALSE(FForm->LocateItem(ztCommItem, note));
    EXPECT_FALSE(FForm->LocateItem(ztNone, 1));
}

TEST_F(MainSearchTest, NoHitsSaySoAndLeaveThePane)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "abc");
    OpenForm(box);
    Search("");
    EXPECT_TRUE(FMessages.Texts().isEmpty());
    Search("zzz");
    EXPECT_EQ(FMessages.Texts(), QStringList{"未找到任何结果！"});
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);
    EXPECT_TRUE(Pane()->isHidden());
    Search("abc");
    FMessages.Clear();
    Search("zzz");
    EXPECT_FALSE(Pane()->isHidden()) << "the pane stays as it was";
}

TEST_F(MainSearchTest, ShowingAndHidingThePane)
{
    OpenForm(NewFilledBox());
    KeyToWindow(Qt::Key_F3);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "SearchBox");
    List()->setFocus();
    Activate();
    QTest::keyClick(FForm.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "SearchBox");

    Activate();
    QTest::keyClick(FForm.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(Pane()->isHidden());
    EXPECT_EQ(Pane()->height(), 106);
    Action("SRHideSearchResultItem")->trigger();
    EXPECT_TRUE(Pane()->isHidden());
    EXPECT_FALSE(Action("ViewSearchResultAction")->isChecked());

    // Dragging the splitter down to the bottom hides the pane; shown again, it has 106 pixels.
    Action("ViewSearchResultAction")->trigger();
    auto* splitter = Child<TYarroSplitter>(FForm.get(), "SearchResultSplitter");
    QSplitterHandle* handle = splitter->handle(1);
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(0, 400));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 400));
    EXPECT_TRUE(Pane()->isHidden());
    EXPECT_FALSE(Action("ViewSearchResultAction")->isChecked());
    Action("ViewSearchResultAction")->trigger();
    EXPECT_EQ(Pane()->height(), 106);
}

// The window answers searches from texts it read once; after every kind of change made through
// it, it still answers exactly what the box's own search answers.
TEST_F(MainSearchTest, HeldTextsFollowEveryChangeMadeHere)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "邮箱 Needle", "user@ＮＥＥＤＬＥ.cn", "needle-pw", 0, "备注 abc");
    AddWeb(kWeb, "网站", "", "only-NEEDLE-in-the-password", 0, "xAbCx");
    AddBank(kCmb, "招商银行", "储蓄卡", "6225 needle", "pw-bank");
    AddNote(kDiary, "日记", "今天 ｎｅｅｄｌｅ 在这里");
    OpenForm(box);
    EXPECT_FALSE(Cache().Built()) << "nothing is read before the first search";
    const QStringList texts = {"needle", "ＮＥＥＤＬＥ", "abc", "银行", "pw", "新", "改", "邮箱", "重用"};
    const auto expectAll = [&](const std::string& After) {
        for (const QString& text : texts)
            ExpectSameHitsAsTheBox(text, After);
        EXPECT_TRUE(Cache().Built()) << After;
        EXPECT_EQ(Cache().Count(), EntryCount()) << After;
    };
    expectAll("after opening");

    const auto editFirstRow = [&](int32_t Folder, const std::function<void(QWidget*)>& Edit) {
        SelectFolder(Folder);
        SelectListRows({0});
        WhenModalShown([Edit](QWidget* form) {
            Edit(form);
            Click(form, "OkButton");
        });
        Action("ItemInfoAction")->trigger();
    };
    int32_t newestWeb = 0;
    struct TChange {
        const char* What;
        std::function<void()> Make;
    };
    const std::vector<TChange> changes = {
        {"a web entry added through the editor host",
         [&] {
             SelectFolder(kMail);
             TZmbNetItem item;
             item.Caption = "新 needle 网站";
             item.Password = "新 pw";
             ASSERT_TRUE(FForm->AddNetItem(item));
             newestWeb = item.ID;
         }},
        {"a bank entry added",
         [&] {
             SelectFolder(kCmb);
             TZmbBankItem item;
             item.BankName = "新银行";
             item.Comments = "ABC 备注";
             ASSERT_TRUE(FForm->AddBankItem(item));
         }},
        {"a general entry added with its files",
         [&] {
             SelectFolder(kDiary);
             TZmbCommItem item;
             item.Caption = "新笔记";
             item.Comments = "NEEDLE";
             TAttachList files;
             ASSERT_TRUE(FForm->AddCommItem(item, files));
         }},
        {"a web entry's title edited",
         [&] { editFirstRow(kMail, [](QWidget* form) { Put(form, "CaptionEdit", "改名"); }); }},
        {"a general entry's text edited",
         [&] {
             editFirstRow(kDiary, [](QWidget* form) {
                 Child<QPlainTextEdit>(form, "CommentsMemo")->setPlainText("改了，没有了");
             });
         }},
        {"web entries moved to another folder",
         [&] {
             SelectFolder(kMail);
             SelectListRows({0, 1});
             const std::unique_ptr<QMimeData> drag(List()->model()->mimeData(List()->selectionModel()->selectedRows()));
             FMessages.Answer(QMessageBox::Yes);
             static_cast<TFolderTreeView*>(Tree())->DropAt(
                 Tree()->visualRect(FolderModel()->IndexOf(Node(kWeb))).center(), drag.get());
         }},
        {"the newest web entry deleted and its id given to a new one",
         [&] {
             ASSERT_TRUE(FForm->LocateItem(ztNetItem, newestWeb));
             FMessages.Answer(QMessageBox::Yes);
             Action("DeleteItemAction")->trigger();
             SelectFolder(kMail);
             TZmbNetItem item;
             item.Caption = "重用";
             item.Email = "abc@example.com";
             ASSERT_TRUE(FForm->AddNetItem(item));
             EXPECT_EQ(item.ID, newestWeb) << "ids are given again";
         }},
        {"a bank folder deleted with its entries",
         [&] {
             SelectFolder(kCmb);
             FMessages.Answer(QMessageBox::Yes);
             Action("DeleteFolderAction")->trigger();
             ASSERT_EQ(FolderModel()->FindNode(kCmb), nullptr);
         }},
    };
    for (const TChange& change : changes) {
        change.Make();
        expectAll(std::string("after ") + change.What);
    }
}

// What changes the box without the window's knowing drops the texts it holds.
TEST_F(MainSearchTest, HeldTextsGoWhenTheBoxChangesBehindTheWindow)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "邮箱", "needle");
    const std::string other = NewFilledBox("other.zmb");
    OpenForm(box);
    struct TEvent {
        const char* What;
        std::function<void()> Happen;
    };
    const std::vector<TEvent> events = {
        {"a compaction", [] { ASSERT_TRUE(DbFileMgr.Compact()); }},
        {"a password change", [] { ASSERT_TRUE(DbFileMgr.ChangePassword("secret 2", true)); }},
        {"the box opened again", [] { DbFileMgr.ReOpenDatabase(); }},
        {"another box opened",
         [&] {
             DbFileMgr.OpenDatabase(other, "secret");
             FForm->DoFileOpened();
         }},
    };
    for (const TEvent& event : events) {
        ExpectSameHitsAsTheBox("needle", std::string("ahead of ") + event.What);
        ASSERT_TRUE(Cache().Built());
        // Stored past the window, which cannot know: only the event itself may make it seen.
        AddWeb(kWeb, std::string("暗中 needle ") + event.What);
        event.Happen();
        ExpectSameHitsAsTheBox("needle", std::string("after ") + event.What);
        ExpectSameHitsAsTheBox("暗中", std::string("after ") + event.What);
    }
}

TEST_F(MainSearchTest, HeldTextsAreWipedOnLockAndClose)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "邮箱", "needle");
    AddNote(kDiary, "日记", "needle");
    OpenForm(box);
    const auto searchAndHold = [&](const char* When) {
        ExpectSameHitsAsTheBox("needle", When);
        EXPECT_TRUE(Cache().Built()) << When;
        EXPECT_EQ(Cache().Count(), 2u) << When;
    };
    searchAndHold("after opening");
    Action("MinLockAction")->trigger();
    EXPECT_FALSE(Cache().Built());
    EXPECT_EQ(Cache().Count(), 0u) << "locked";

    FForm->RestoreFromTray();
    searchAndHold("after the lock");
    AppOptionsMgr().SetValues(AppOpt::MinLock, true);
    FForm->MinimizeToTray();
    EXPECT_EQ(Cache().Count(), 0u) << "minimized with the password due";

    FForm->RestoreFromTray();
    searchAndHold("after minimizing");
    FForm->close();
    EXPECT_EQ(Cache().Count(), 0u) << "closed";
}

} // namespace
