// The change-password dialog: validation against the open box's password, what it returns, and
// the question fields that fold away.
#include "gui/ShellFixture.h"
#include "ui/dialogs/ChgPwdFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>

namespace {

class ChgPwdFormTest : public TShellFixture {
protected:
    ChgPwdFormTest() { DbFileMgr.OpenDatabase(NewBox("box.zmb", "Old Pw"), "Old Pw"); }

    static void Fill(QWidget* Form, const QString& Old, const QString& New, const QString& Confirm, bool ChgQues,
                     bool UseQues, const QString& Question, const QString& Answer)
    {
        Type(Form, "OldPwdEdit", Old);
        Type(Form, "PasswordEdit", New);
        Type(Form, "ConfirmPwdEdit", Confirm);
        Child<QCheckBox>(Form, "ChgPwdQuesCheckBox")->setChecked(ChgQues);
        Child<QCheckBox>(Form, "UsePwdQuesCheckBox")->setChecked(UseQues);
        Child<QComboBox>(Form, "QuestionComboBox")->setCurrentText(Question);
        Child<QLineEdit>(Form, "AnswerEdit")->setText(Answer);
    }
};

TEST_F(ChgPwdFormTest, ValidationStopsAtTheFirstFailure)
{
    struct {
        QString Old, New, Confirm;
        bool ChgQues, UseQues;
        QString Question, Answer;
        QString Message; // empty: passes
        QString Focus;
    } const cases[] = {
        {"old pw", "n", "m", true, true, "", "", "旧密码不正确。", "OldPwdEdit"},
        {"Old Pw", "n", "m", true, true, "", "", "两次输入的密码必须一致。", "PasswordEdit"},
        {"Old Pw", "n", "n", true, true, "", "a", "密码提示问题不能为空。", "QuestionComboBox"},
        {"Old Pw", "n", "n", true, true, "q", "", "密码提示问题的答案不能为空。", "AnswerEdit"},
        {"Old Pw", "n", "n", true, false, "", "", "", ""},   // switching the question off
        {"Old Pw", "n", "n", false, true, "", "", "", ""},   // question fields not applied
        {"Old Pw", "Old Pw", "Old Pw", false, false, "", "", "", ""},
        {"Old Pw", "", "", false, false, "", "", "", ""},
    };
    for (const auto& c : cases) {
        FMessages.Clear();
        TChgPwdForm form;
        form.show();
        Fill(&form, c.Old, c.New, c.Confirm, c.ChgQues, c.UseQues, c.Question, c.Answer);
        Click(&form, "OkButton");
        if (c.Message.isEmpty()) {
            EXPECT_TRUE(FMessages.Requests().empty());
            EXPECT_EQ(form.result(), QDialog::Accepted);
            continue;
        }
        ASSERT_EQ(FMessages.Texts(), QStringList{c.Message});
        EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Warning);
        EXPECT_EQ(FocusIn(&form), c.Focus);
        EXPECT_TRUE(form.isVisible());
    }
}

TEST_F(ChgPwdFormTest, ReturnsEverythingAsShownOrNothingOnCancel)
{
    TChgPwdFormData data;
    data.Password = "before";
    WhenModalShown([](QWidget* form) {
        EXPECT_EQ(Child<QLineEdit>(form, "OldPwdEdit")->text(), "") << "the dialog starts empty";
        Fill(form, "Old Pw", "new", "new", false, true, "你喜欢谁？", "我");
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowChgPwdForm(data));
    EXPECT_EQ(data.Password, "before");

    WhenModalShown([](QWidget* form) {
        Fill(form, "Old Pw", "new", "new", false, true, "你喜欢谁？", "我");
        Click(form, "OkButton");
    });
    ASSERT_TRUE(ShowChgPwdForm(data));
    EXPECT_EQ(data.Password, "new");
    EXPECT_FALSE(data.ChgPwdQues);
    EXPECT_TRUE(data.UsePwdQues);
    EXPECT_EQ(data.PwdQuestion, "你喜欢谁？");
    EXPECT_EQ(data.PwdAnswer, "我");
}

TEST_F(ChgPwdFormTest, QuestionFieldsFoldAway)
{
    TChgPwdForm form;
    form.show();
    auto* group = Child<QGroupBox>(&form, "PwdQuesGroupBox");
    auto* combo = Child<QComboBox>(&form, "QuestionComboBox");
    EXPECT_FALSE(group->isVisible());
    EXPECT_EQ(form.height(), TChgPwdForm::kCollapsedHeight);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2), "你喜欢谁？");
    EXPECT_EQ(Child<QLineEdit>(&form, "PasswordEdit")->maxLength(), 64);
    EXPECT_EQ(Child<QLineEdit>(&form, "ConfirmPwdEdit")->maxLength(), 64);
    EXPECT_EQ(Child<QLineEdit>(&form, "AnswerEdit")->maxLength(), 256);

    Child<QCheckBox>(&form, "ChgPwdQuesCheckBox")->setChecked(true);
    EXPECT_TRUE(group->isVisible());
    EXPECT_EQ(form.height(), TChgPwdForm::kExpandedHeight);
    EXPECT_FALSE(combo->isEnabled());
    Child<QCheckBox>(&form, "UsePwdQuesCheckBox")->setChecked(true);
    EXPECT_TRUE(combo->isEnabled());
    Child<QCheckBox>(&form, "ChgPwdQuesCheckBox")->setChecked(false);
    EXPECT_EQ(form.height(), TChgPwdForm::kCollapsedHeight);
}

} // namespace
