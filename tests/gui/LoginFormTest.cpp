// The login dialog: the proposed file, the colour of its name, OK with its failures, the new-box
// button, and cancelling after a failed attempt from an open box.
#include "gui/ShellFixture.h"
#include "ui/dialogs/LoginFrm.h"

#include <QDialog>

namespace {

class LoginFormTest : public TShellFixture {
protected:
    void SetOptions(int Mode, const std::string& ThisFile, const std::string& LastFile)
    {
        AppOptionsMgr().SetValues(AppOpt::AutoOpenMode, int32_t{Mode});
        AppOptionsMgr().SetValues(AppOpt::AutoOpenThisFile, ThisFile);
        AppOptionsMgr().SetValues(AppOpt::LastFile, LastFile);
    }
};

TEST_F(LoginFormTest, ProposedFileAndFirstFocus)
{
    const std::string box = NewBox("box.zmb", "pw");
    struct {
        QStringList Arguments;
        int Mode;
        std::string ThisFile;
        QString Shown;
    } const cases[] = {
        {{"given.zmb"}, 2, "", "given.zmb"},  // the argument wins even in mode 2
        {{}, 0, "this.zmb", "this.zmb"},
        {{}, 0, "", ""},
        {{}, 1, "this.zmb", Q(box)},
        {{}, 2, "this.zmb", ""},
        {{}, 7, "this.zmb", ""},
    };
    for (const auto& c : cases) {
        SetStartArguments(c.Arguments);
        SetOptions(c.Mode, c.ThisFile, box);
        TLoginForm form;
        EXPECT_EQ(form.windowTitle(), "Zembrix - 登录");
        EXPECT_EQ(Child<QLineEdit>(&form, "FileNameEdit")->text(), c.Shown) << c.Mode;
        EXPECT_EQ(FocusIn(&form), c.Shown.isEmpty() ? "FileNameEdit" : "PasswordEdit") << c.Mode;
    }
}

TEST_F(LoginFormTest, MissingFileIsGray)
{
    const std::string box = NewBox("box.zmb", "pw");
    TLoginForm form;
    auto* edit = Child<QLineEdit>(&form, "FileNameEdit");
    edit->setText(Q(FDir / "missing.zmb"));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(128, 128, 128));
    edit->setText(Q(box));
    EXPECT_EQ(edit->palette().color(QPalette::Text), form.palette().color(QPalette::Text));
}

TEST_F(LoginFormTest, FailuresKeepTheDialogOpenThenTheRightPasswordOpens)
{
    const std::string box = NewBox("box.zmb", "secret");
    SetOptions(2, "", "");
    bool stillOpen = false;
    QString focusAfterEmpty, focusAfterWrong, passwordAfterWrong;
    WhenModalShown([&](QWidget* form) {
        Click(form, "OkButton"); // no file chosen
        focusAfterEmpty = FocusIn(form);
        Child<QLineEdit>(form, "FileNameEdit")->setText(Q(box));
        Type(form, "PasswordEdit", "Secret");
        Click(form, "OkButton");
        stillOpen = form->isVisible();
        focusAfterWrong = FocusIn(form);
        passwordAfterWrong = Child<QLineEdit>(form, "PasswordEdit")->text();
        Type(form, "PasswordEdit", "secret");
        QTest::keyClick(Child(form, "PasswordEdit"), Qt::Key_Return); // the default button
    });
    EXPECT_TRUE(ShowLoginForm());
    EXPECT_EQ(FMessages.Texts(), (QStringList{"文件名不能为空，请输入密码箱文件名。",
                                              "密码不正确，请重新输入密码。\r密码的字母必须使用正确的大小写。请确定是否因疏忽而按下了 Caps Lock 键。"}));
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);
    EXPECT_EQ(focusAfterEmpty, "FileNameEdit");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(focusAfterWrong, "PasswordEdit");
    EXPECT_EQ(passwordAfterWrong, "");
    EXPECT_TRUE(DbFileMgr.IsOpen());
    EXPECT_EQ(DbFileMgr.FileName(), box);
}

TEST_F(LoginFormTest, CancelAfterAFailedAttemptOpensThePreviousBoxAgain)
{
    const std::string first = NewBox("first.zmb", "one");
    const std::string second = NewBox("second.zmb", "two");
    DbFileMgr.OpenDatabase(first, "one");

    // Cancelled without an attempt: the box was never closed.
    WhenModalShown([&](QWidget* form) { Click(form, "CancelButton"); });
    EXPECT_FALSE(ShowLoginForm());
    EXPECT_TRUE(DbFileMgr.IsOpen());

    bool closedMeanwhile = false;
    WhenModalShown([&](QWidget* form) {
        Child<QLineEdit>(form, "FileNameEdit")->setText(Q(second));
        Type(form, "PasswordEdit", "wrong");
        Click(form, "OkButton");
        closedMeanwhile = !DbFileMgr.IsOpen();
        QTest::keyClick(form, Qt::Key_Escape);
    });
    EXPECT_FALSE(ShowLoginForm());
    EXPECT_TRUE(closedMeanwhile);
    EXPECT_TRUE(DbFileMgr.IsOpen());
    EXPECT_EQ(DbFileMgr.FileName(), first);
}

TEST_F(LoginFormTest, NewBoxGoesIntoTheFileFieldWithoutItsPassword)
{
    SetOptions(0, FDir / "proposed.zmb", "");
    QPoint loginPos, newFilePos;
    QString proposed;
    WhenModalShown([&](QWidget* login) {
        loginPos = login->pos();
        WhenModalShown([&](QWidget* newFile) {
            newFilePos = newFile->pos();
            proposed = Child<QLineEdit>(newFile, "FileNameEdit")->text();
            Type(newFile, "PasswordEdit", "pw");
            Type(newFile, "ConfirmPwdEdit", "pw");
            Click(newFile, "OkButton");
        });
        Click(login, "NewFileButton");
        EXPECT_EQ(Child<QLineEdit>(login, "FileNameEdit")->text(), Q(FDir / "proposed.zmb"));
        EXPECT_EQ(Child<QLineEdit>(login, "PasswordEdit")->text(), "");
        EXPECT_EQ(FocusIn(login), "PasswordEdit");
        Click(login, "CancelButton");
    });
    EXPECT_FALSE(ShowLoginForm());
    EXPECT_EQ(proposed, Q(FDir / "proposed.zmb"));
    EXPECT_EQ(newFilePos, loginPos + QPoint(40, 40));
    EXPECT_TRUE(DbFileMgr.IsValidFile(FDir / "proposed.zmb"));
}

} // namespace
