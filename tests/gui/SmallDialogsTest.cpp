// The unlock dialog, the usage notice, the input dialog and the about box.
#include "gui/ShellFixture.h"
#include "ui/components/HyperLabel.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/InputFrm.h"
#include "ui/dialogs/MinLockFrm.h"
#include "ui/dialogs/NoticeFrm.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

class MinLockFormTest : public TShellFixture {
protected:
    MinLockFormTest() { DbFileMgr.OpenDatabase(NewBox("locked.zmb", "Secret"), "Secret"); }
};

TEST_F(MinLockFormTest, RightPasswordUnlocksAndAWrongOneEndsTheDialog)
{
    struct {
        QString Typed;
        bool Unlocked;
    } const cases[] = {{"Secret", true}, {"secret", false}, {"SECRET", false}, {"", false}};
    for (const auto& c : cases) {
        FMessages.Clear();
        QString shownFile;
        WhenModalShown([&](QWidget* form) {
            shownFile = Child<QLineEdit>(form, "FileNameEdit")->text();
            EXPECT_EQ(FocusIn(form), "PasswordEdit");
            Type(form, "PasswordEdit", c.Typed);
            Click(form, "OkButton");
        });
        EXPECT_EQ(ShowMinLockForm(), c.Unlocked) << c.Typed.toStdString();
        EXPECT_EQ(shownFile, "locked.zmb");
        EXPECT_EQ(FMessages.Texts(), c.Unlocked ? QStringList{} : QStringList{"对不起，您输入的登录密码不正确。"});
        EXPECT_EQ(ActiveMinLockForm(), nullptr);
    }
}

TEST_F(MinLockFormTest, OneDialogAtATime)
{
    bool second = true;
    QWidget* first = nullptr;
    QWidget* modalAfterSecond = nullptr;
    WhenModalShown([&](QWidget* form) {
        first = form;
        second = ShowMinLockForm(); // a second lock request while the dialog is up
        modalAfterSecond = QApplication::activeModalWidget();
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowMinLockForm());
    EXPECT_FALSE(second);
    EXPECT_EQ(modalAfterSecond, first);
    EXPECT_EQ(ActiveMinLockForm(), nullptr);
}

TEST_F(MinLockFormTest, ExitButtonEndsTheProgram)
{
    ASSERT_FALSE(ApplicationTerminated());
    WhenModalShown([](QWidget* form) { Click(form, "ExitButton"); });
    EXPECT_FALSE(ShowMinLockForm());
    EXPECT_TRUE(ApplicationTerminated());
}

class NoticeFormTest : public TShellFixture {
protected:
    void SetShowNotice(bool Value)
    {
        AppOptionsMgr().SetValues(AppOpt::ShowNotice, Value);
        AppOptionsMgr().Save(AppOpt::ShowNotice);
    }
    static std::string StoredShowNotice()
    {
        const std::string ini = ReadAll(AppOptionsMgr().FileName());
        const auto at = ini.find("ShowNotice=");
        return at == std::string::npos ? "" : ini.substr(at + 11, ini.find_first_of("\r\n", at) - at - 11);
    }
};

TEST_F(NoticeFormTest, FirstStartStoresTheOptionAtOnceAndClearingTheBoxBringsItBack)
{
    SetShowNotice(true);
    std::string storedWhileOpen;
    bool checkedAtStart = false, checkVisible = false;
    QString caption, text;
    WhenModalShown([&](QWidget* form) {
        storedWhileOpen = StoredShowNotice(); // as if the program were killed now
        auto* check = Child<QCheckBox>(form, "NotShowAgainCheckBox");
        checkedAtStart = check->isChecked();
        checkVisible = check->isVisible();
        caption = form->windowTitle();
        text = Child<QPlainTextEdit>(form, "Memo")->toPlainText();
        QTest::mouseClick(check, Qt::LeftButton); // cleared: the notice comes back next time
        Click(form, "OkButton");
    });
    ShowNoticeForm(false);
    EXPECT_EQ(storedWhileOpen, "False");
    EXPECT_TRUE(checkedAtStart);
    EXPECT_TRUE(checkVisible);
    EXPECT_EQ(caption, "Zembrix 软件使用须知");
    EXPECT_TRUE(text.contains(".zmb"));
    EXPECT_EQ(StoredShowNotice(), "True");

    WhenModalShown([&](QWidget* form) {
        checkedAtStart = Child<QCheckBox>(form, "NotShowAgainCheckBox")->isChecked();
        QTest::keyClick(form, Qt::Key_Escape);
    });
    ShowNoticeForm(false);
    EXPECT_TRUE(checkedAtStart) << "shown again, again with the box checked";
    EXPECT_EQ(StoredShowNotice(), "False");
}

TEST_F(NoticeFormTest, SwitchedOffShowsNothingUnlessForced)
{
    SetShowNotice(false);
    ShowNoticeForm(false); // would wait for a user if it showed anything

    bool checkVisible = true;
    WhenModalShown([&](QWidget* form) {
        checkVisible = Child<QCheckBox>(form, "NotShowAgainCheckBox")->isVisible();
        Click(form, "OkButton");
    });
    ShowNoticeForm(true);
    EXPECT_FALSE(checkVisible);
    EXPECT_EQ(StoredShowNotice(), "False");
    SetShowNotice(true);
    WhenModalShown([&](QWidget* form) { Click(form, "OkButton"); });
    ShowNoticeForm(true);
    EXPECT_EQ(StoredShowNotice(), "True") << "the help menu's notice leaves the option alone";
}

TEST_F(NoticeFormTest, NoticeTextSaysWhatItMust)
{
    const QString text = NoticeText();
    for (const char* part : {"免费", "可信赖", "单向散列", "无法取回", "备份", ".zmb", "Zembrix 开发组"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
}

class InputFormTest : public TShellFixture {};

TEST_F(InputFormTest, PasswordModeMasksAndReturnsTheClearText)
{
    struct {
        bool PasswordMode;
        QString Typed;
        bool Ok;
        QString Result;
    } const cases[] = {
        {true, "Pw 1!", true, "Pw 1!"},
        {false, "新建目录", true, "新建目录"},
        {false, "", true, ""},
        {true, "x", false, "before"},
    };
    for (const auto& c : cases) {
        QString value = "before", caption, prompt, shown;
        WhenModalShown([&](QWidget* form) {
            caption = form->windowTitle();
            prompt = Child<QLabel>(form, "PromptLabel")->text();
            auto* edit = Child<QLineEdit>(form, "ValueEdit");
            EXPECT_EQ(edit->text(), "before");
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            if (c.PasswordMode)
                QTest::keyClicks(edit, c.Typed);
            else
                edit->setText(c.Typed);
            shown = edit->displayText();
            Click(form, c.Ok ? "OkButton" : "CancelButton");
        });
        EXPECT_EQ(ShowInputForm("目录", "请输入目录名:", value, c.PasswordMode), c.Ok);
        EXPECT_EQ(value, c.Result);
        EXPECT_EQ(caption, "目录");
        EXPECT_EQ(prompt, "请输入目录名:");
        if (c.PasswordMode) {
            EXPECT_EQ(shown, QString(c.Typed.size(), '*'));
        } else {
            EXPECT_EQ(shown, c.Typed);
        }
    }
}

class AboutFormTest : public TShellFixture {};

TEST_F(AboutFormTest, NameVersionAndLinks)
{
    TAboutForm form;
    form.show();
    EXPECT_EQ(form.windowTitle(), "关于");
    auto* name = Child<QLabel>(&form, "SoftNameLabel");
    auto* version = Child<QLabel>(&form, "VersionLabel");
    EXPECT_EQ(name->text(), "Zembrix");
    EXPECT_EQ(version->text(), "1.6.6");
    EXPECT_EQ(version->x(), name->geometry().right() + 1 + 8);
    auto* mail = Child<THyperLabel>(&form, "EmailHyperLabel");
    auto* web = Child<THyperLabel>(&form, "WebsiteHyperLabel");
    EXPECT_TRUE(mail->text().contains('@'));
    EXPECT_TRUE(web->text().startsWith("https://"));
    EXPECT_EQ(web->cursor().shape(), Qt::PointingHandCursor);
}

} // namespace
