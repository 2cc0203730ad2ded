#include "ui/dialogs/ChgPwdFrm.h"

#include "boxdata/DbFileMgr.h"
#include "services/qt/MessageBox.h"
#include "ui/components/BalloonHint.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/PwdQuestionParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMaxPasswordLength = 64;

} // namespace

TChgPwdFormData::~TChgPwdFormData()
{
    WipeQString(Password);
    WipeQString(PwdAnswer);
}

TChgPwdForm::TChgPwdForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("ChgPwdForm"));
    setWindowTitle(QStringLiteral("更改密码"));

    auto* pwdGroup = new QGroupBox(QStringLiteral("请输入密码箱的登录密码"), this);
    OldPwdEdit = NewSecretEdit(pwdGroup, "OldPwdEdit");
    PasswordEdit = NewSecretEdit(pwdGroup, "PasswordEdit", kMaxPasswordLength);
    ConfirmPwdEdit = NewSecretEdit(pwdGroup, "ConfirmPwdEdit", kMaxPasswordLength);
    auto* pwdForm = new QFormLayout(pwdGroup);
    pwdForm->addRow(NewLabel(pwdGroup, QStringLiteral("请输入旧密码:"), OldPwdEdit), OldPwdEdit);
    pwdForm->addRow(NewLabel(pwdGroup, QStringLiteral("请输入新密码:"), PasswordEdit), PasswordEdit);
    pwdForm->addRow(NewLabel(pwdGroup, QStringLiteral("新密码确认:"), ConfirmPwdEdit), ConfirmPwdEdit);

    ChgPwdQuesCheckBox = new QCheckBox(QStringLiteral("修改密码提示问题"), this);
    ChgPwdQuesCheckBox->setObjectName(QStringLiteral("ChgPwdQuesCheckBox"));

    PwdQuesGroupBox = new QGroupBox(this);
    PwdQuesGroupBox->setObjectName(QStringLiteral("PwdQuesGroupBox"));
    const TPwdQuestionFields question = NewPwdQuestionFields(PwdQuesGroupBox, 3);
    UsePwdQuesCheckBox = question.UsePwdQuesCheckBox;
    QuestionComboBox = question.QuestionComboBox;
    AnswerEdit = question.AnswerEdit;

    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    connect(OkButton, &QPushButton::clicked, this, &TChgPwdForm::OkButtonClick);
    connect(ChgPwdQuesCheckBox, &QCheckBox::toggled, this, &TChgPwdForm::ChgPwdQuesCheckBoxClick);
    connect(UsePwdQuesCheckBox, &QCheckBox::toggled, this, &TChgPwdForm::UsePwdQuesCheckBoxClick);
    BalloonHint = new TYarroBalloonHint(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 6, 9, 9);
    layout->setSpacing(4);
    layout->addWidget(pwdGroup);
    layout->addWidget(ChgPwdQuesCheckBox);
    layout->addWidget(PwdQuesGroupBox);
    layout->addStretch();
    layout->addLayout(buttons);
    SetFixedDialogBorder(this);
    // The height is set by the question check box, not by the layout.
    layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    setFixedWidth(360);

    SetTabOrder({OldPwdEdit, PasswordEdit, ConfirmPwdEdit, ChgPwdQuesCheckBox, QuestionComboBox, AnswerEdit,
                 UsePwdQuesCheckBox, OkButton, CancelButton});
    OldPwdEdit->setFocus();

    ChgPwdQuesCheckBoxClick();
    ApplyUsePwdQues(UsePwdQuesCheckBox, QuestionComboBox, AnswerEdit, BalloonHint);
}

void TChgPwdForm::SetData(const TChgPwdFormData&)
{
}

void TChgPwdForm::GetData(TChgPwdFormData& FormData) const
{
    FormData.Password = PasswordEdit->text();
    FormData.ChgPwdQues = ChgPwdQuesCheckBox->isChecked();
    FormData.UsePwdQues = UsePwdQuesCheckBox->isChecked();
    FormData.PwdQuestion = QuestionComboBox->currentText();
    FormData.PwdAnswer = AnswerEdit->text();
}

void TChgPwdForm::ChgPwdQuesCheckBoxClick()
{
    const bool expanded = ChgPwdQuesCheckBox->isChecked();
    PwdQuesGroupBox->setVisible(expanded);
    if (!expanded)
        BalloonHint->HideBalloon();
    // Logical pixels already follow the screen's scaling; the design height holds unless the
    // fonts need more room.
    layout()->activate();
    const int design = expanded ? kExpandedHeight : kCollapsedHeight;
    setFixedHeight(std::max(design, layout()->minimumSize().height()));
}

void TChgPwdForm::UsePwdQuesCheckBoxClick()
{
    ApplyUsePwdQues(UsePwdQuesCheckBox, QuestionComboBox, AnswerEdit, BalloonHint);
}

bool TChgPwdForm::CheckInput()
{
    if (!OldPwdEdit->TextEquals(DbFileMgr.Password())) {
        ShowWarning(this, QStringLiteral("旧密码不正确。"));
        OldPwdEdit->setFocus();
        return false;
    }
    if (!CheckPasswordsMatch(PasswordEdit, ConfirmPwdEdit))
        return false;
    if (ChgPwdQuesCheckBox->isChecked() && UsePwdQuesCheckBox->isChecked() &&
        !CheckPwdQuestionInput(QuestionComboBox, AnswerEdit))
        return false;
    return true;
}

void TChgPwdForm::OkButtonClick()
{
    if (CheckInput())
        accept();
}

bool ShowChgPwdForm(TChgPwdFormData& FormData)
{
    TChgPwdForm form(DialogOwner());
    form.SetData(FormData);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.GetData(FormData);
    return true;
}
