// The new-box dialog: validation order, the overwrite question, what it creates and reports,
// the question fields and their balloon.
#include "gui/ShellFixture.h"
#include "ui/components/BalloonHint.h"
#include "ui/dialogs/NewFileFrm.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

class NewFileFormTest : public TShellFixture {
protected:
    // Fills the dialog: file, password twice, the question box and its fields.
    static void Fill(QWidget* Form, const QString& File, const QString& Password, const QString& Confirm,
                     bool UseQuestion = false, const QString& Question = "", const QString& Answer = "")
    {
        Child<QLineEdit>(Form, "FileNameEdit")->setText(File);
        Type(Form, "PasswordEdit", Password);
        Type(Form, "ConfirmPwdEdit", Confirm);
        Child<QCheckBox>(Form, "UsePwdQuesCheckBox")->setChecked(UseQuestion);
        Child<QComboBox>(Form, "QuestionComboBox")->setCurrentText(Question);
        Child<QLineEdit>(Form, "AnswerEdit")->setText(Answer);
    }
};

TEST_F(NewFileFormTest, ValidationStopsAtTheFirstFailure)
{
    WriteAll(FDir / "old.zmb", "keep me");
    const QString fresh = Q(FDir / "new.zmb");
    struct {
        QString File, Password, Confirm;
        bool UseQuestion;
        QString Question, Answer;
        QString Message;
        QMessageBox::Icon Icon;
        QString Focus;
    } const cases[] = {
        {"", "a", "b", true, "", "", "文件名不能为空.", QMessageBox::Warning, "FileNameEdit"},
        {Q(FDir / "old.zmb"), "a", "b", true, "", "", "文件 " + Q(FDir / "old.zmb") + " 已经存在，覆盖它吗？",
         QMessageBox::Question, "FileNameEdit"},
        {fresh, "abc", "ABC", true, "", "", "两次输入的密码必须一致。", QMessageBox::Warning, "PasswordEdit"},
        {fresh, "abc", "abc", true, "", "x", "密码提示问题不能为空。", QMessageBox::Warning, "QuestionComboBox"},
        {fresh, "abc", "abc", true, "Q", "", "密码提示问题的答案不能为空。", QMessageBox::Warning, "AnswerEdit"},
    };
    for (const auto& c : cases) {
        FMessages.Clear();
        TNewFileForm form;
        form.show();
        Fill(&form, c.File, c.Password, c.Confirm, c.UseQuestion, c.Question, c.Answer);
        Click(&form, "OkButton");
        ASSERT_EQ(FMessages.Requests().size(), 1u) << c.Message.toStdString();
        EXPECT_EQ(FMessages.Requests()[0].Text, c.Message);
        EXPECT_EQ(FMessages.Requests()[0].Icon, c.Icon);
        EXPECT_EQ(FocusIn(&form), c.Focus);
        EXPECT_TRUE(form.isVisible());
    }
    EXPECT_EQ(FMessages.Requests()[0].Buttons, QMessageBox::Ok);
    EXPECT_EQ(ReadAll(FDir / "old.zmb"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(FDir / "new.zmb"));
}

TEST_F(NewFileFormTest, OverwriteQuestionDefaultsToCancelAndOkOverwrites)
{
    WriteAll(FDir / "old.zmb", "keep me");
    TNewFileForm form;
    form.show();
    Fill(&form, Q(FDir / "old.zmb"), "pw", "pw");
    Click(&form, "OkButton");
    ASSERT_EQ(FMessages.Requests().size(), 1u);
    EXPECT_EQ(FMessages.Requests()[0].Buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(FMessages.Requests()[0].DefaultButton, QMessageBox::Cancel);
    EXPECT_EQ(ReadAll(FDir / "old.zmb"), "keep me");

    FMessages.Answer(QMessageBox::Ok);
    Click(&form, "OkButton");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(DbFileMgr.IsValidFile(FDir / "old.zmb"));
}

TEST_F(NewFileFormTest, CreatesTheBoxAndShowsItsPasswordOnce)
{
    struct {
        QString Password;
        bool UseQuestion;
        QString Question, Answer;
    } const cases[] = {
        {"Pa55 word", true, "你的偶像是谁？", "某某"},
        {"", false, "", ""}, // both edits empty, question unticked and empty: accepted
        {"x", false, "ignored", "ignored"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString file = Q(FDir / ("box" + std::to_string(++n) + ".zmb"));
        FMessages.Clear();
        QString fileName = "proposal.zmb", password = "untouched";
        WhenModalShown([&](QWidget* form) {
            EXPECT_EQ(Child<QLineEdit>(form, "FileNameEdit")->text(), "proposal.zmb");
            Fill(form, file, c.Password, c.Password, c.UseQuestion, c.Question, c.Answer);
            Click(form, "OkButton");
        });
        ASSERT_TRUE(ShowNewFileForm(nullptr, fileName, password));
        EXPECT_EQ(fileName, file);
        EXPECT_EQ(password, c.Password);
        ASSERT_EQ(FMessages.Requests().size(), 1u);
        EXPECT_EQ(FMessages.Requests()[0].Text, "您已经成功创建了一个新密码箱文件。\r\r文件路径: " + file + "\r登录密码: " +
                                                    c.Password + "\r\r请保管好这个文件，并牢记登录密码，\r一旦遗忘，将无法挽回，切记！");
        EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);

        EXPECT_TRUE(DbFileMgr.CheckPassword(file.toStdString(), c.Password.toStdString()));
        EXPECT_FALSE(DbFileMgr.IsOpen()) << "the dialog creates the box but does not open it";
        std::string question, answer;
        EXPECT_EQ(DbFileMgr.GetPwdQuestion(file.toStdString(), question, answer), c.UseQuestion);
        if (c.UseQuestion) {
            EXPECT_EQ(Q(question), c.Question);
            EXPECT_EQ(Q(answer), c.Answer);
        }
    }
    EXPECT_EQ(ReadAll(AppOptionsMgr().FileName()).find("Pa55"), std::string::npos) << "the password goes nowhere else";
}

TEST_F(NewFileFormTest, AFileThatCannotBeCreatedKeepsTheDialogOpen)
{
    TNewFileForm form;
    form.show();
    Fill(&form, Q(FDir / "no such folder/box.zmb"), "pw", "pw");
    Click(&form, "OkButton");
    ASSERT_EQ(FMessages.Texts(), QStringList{"无法创建数据库。"});
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::NoIcon);
    EXPECT_EQ(FMessages.Requests()[0].Caption, "密码箱");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), 0);
}

TEST_F(NewFileFormTest, CancelKeepsTheArguments)
{
    QString fileName = "a.zmb", password = "b";
    WhenModalShown([&](QWidget* form) {
        Fill(form, Q(FDir / "x.zmb"), "p", "p");
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowNewFileForm(nullptr, fileName, password));
    EXPECT_EQ(fileName, "a.zmb");
    EXPECT_EQ(password, "b");
    EXPECT_FALSE(std::filesystem::exists(FDir / "x.zmb"));
}

TEST_F(NewFileFormTest, QuestionFieldsAndTheirBalloon)
{
    TNewFileForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* check = Child<QCheckBox>(&form, "UsePwdQuesCheckBox");
    auto* combo = Child<QComboBox>(&form, "QuestionComboBox");
    auto* answer = Child<QLineEdit>(&form, "AnswerEdit");
    auto* balloon = form.findChild<TYarroBalloonHint*>();
    ASSERT_NE(balloon, nullptr);
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(combo->isEnabled());
    EXPECT_FALSE(answer->isEnabled());
    EXPECT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->itemText(0), "你姐姐叫什么名字？");
    EXPECT_EQ(combo->itemText(5), "你的宠物叫什么名字？");
    EXPECT_EQ(Child<QLineEdit>(&form, "PasswordEdit")->maxLength(), 56);
    EXPECT_EQ(Child<QLineEdit>(&form, "ConfirmPwdEdit")->maxLength(), 56);
    EXPECT_EQ(answer->maxLength(), 256);
    EXPECT_EQ(answer->echoMode(), QLineEdit::Normal);

    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_TRUE(answer->isEnabled());
    EXPECT_TRUE(balloon->isVisible());
    EXPECT_EQ(balloon->Header(), "提示");
    EXPECT_EQ(balloon->IconKind(), biInfo);
    EXPECT_EQ(balloon->Text(), "启用密码提示问题会降低密码箱的安全性，\r如果您的资料属于高度机密，请不要选择此项。");
    EXPECT_EQ(balloon->Anchor(), check);

    QTest::mouseClick(check, Qt::LeftButton); // at once, before the balloon's time is up
    EXPECT_FALSE(balloon->isVisible());
    EXPECT_FALSE(combo->isEnabled());
}

} // namespace
