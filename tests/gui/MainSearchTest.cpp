// The search box and the result pane of the real window: the hits of every kind with their
// category, the jump to an entry, the message for no hits, showing and hiding the pane.
#include "gui/MainFormFixture.h"
#include "ui/components/Splitter.h"

#include <QLineEdit>
#include <QSplitterHandle>

namespace {

enum : int32_t { kWeb = 1, kMail = 4, kCmb = 9, kDiary = 15 };

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

} // namespace
