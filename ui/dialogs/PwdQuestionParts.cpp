#include "ui/dialogs/PwdQuestionParts.h"

#include "services/qt/MessageBox.h"
#include "ui/components/BalloonHint.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

namespace {

constexpr int kMaxAnswerLength = 256;

// An enabled field has the input background; a disabled one looks like a button face.
void ShowUsable(QWidget* Field, bool Usable)
{
    Field->setEnabled(Usable);
    QPalette p = Field->palette();
    p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Button));
    Field->setPalette(p);
}

} // namespace

const QStringList& PwdQuestionSuggestions()
{
    static const QStringList questions = {"你姐姐叫什么名字？",           "你的偶像是谁？",
                                          "你喜欢谁？",                   "你的高中英语老师叫什么名字？",
                                          "你的高中数学老师叫什么名字？", "你的宠物叫什么名字？"};
    return questions;
}

TPwdQuestionFields NewPwdQuestionFields(QWidget* Group, int SuggestionCount)
{
    TPwdQuestionFields f{};
    f.UsePwdQuesCheckBox = new QCheckBox(QStringLiteral("需要密码提示问题，以防遗忘密码"), Group);
    f.UsePwdQuesCheckBox->setObjectName(QStringLiteral("UsePwdQuesCheckBox"));
    f.UsePwdQuesCheckBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    f.QuestionComboBox = new QComboBox(Group);
    f.QuestionComboBox->setObjectName(QStringLiteral("QuestionComboBox"));
    f.QuestionComboBox->setEditable(true);
    f.QuestionComboBox->addItems(PwdQuestionSuggestions().mid(0, SuggestionCount));
    f.QuestionComboBox->setCurrentIndex(-1);
    f.AnswerEdit = NewSecretEdit(Group, "AnswerEdit", kMaxAnswerLength, false);
    auto* form = new QFormLayout(Group);
    form->addRow(f.UsePwdQuesCheckBox);
    form->addRow(NewLabel(Group, QStringLiteral("提示问题:"), f.QuestionComboBox), f.QuestionComboBox);
    form->addRow(NewLabel(Group, QStringLiteral("问题答案:"), f.AnswerEdit), f.AnswerEdit);
    return f;
}

void ApplyUsePwdQues(QCheckBox* CheckBox, QComboBox* Question, QLineEdit* Answer, TYarroBalloonHint* Balloon)
{
    const bool use = CheckBox->isChecked();
    ShowUsable(Question, use);
    ShowUsable(Answer, use);
    if (use)
        Balloon->ShowBalloon(CheckBox, QStringLiteral("提示"), biInfo,
                             QStringLiteral("启用密码提示问题会降低密码箱的安全性，\r如果您的资料属于高度机密，请不要选择此项。"),
                             kPwdQuesBalloonTime);
    else
        Balloon->HideBalloon();
}

bool CheckPasswordsMatch(QLineEdit* Password, QLineEdit* Confirm)
{
    if (Password->text() == Confirm->text())
        return true;
    ShowWarning(Password->window(), QStringLiteral("两次输入的密码必须一致。"));
    Password->setFocus();
    return false;
}

bool CheckPwdQuestionInput(QComboBox* Question, QLineEdit* Answer)
{
    if (Question->currentText().isEmpty()) {
        ShowWarning(Question->window(), QStringLiteral("密码提示问题不能为空。"));
        Question->setFocus();
        return false;
    }
    if (Answer->text().isEmpty()) {
        ShowWarning(Answer->window(), QStringLiteral("密码提示问题的答案不能为空。"));
        Answer->setFocus();
        return false;
    }
    return true;
}
