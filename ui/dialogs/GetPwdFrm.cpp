#include "ui/dialogs/GetPwdFrm.h"

#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TGetPwdForm::TGetPwdForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("GetPwdForm"));
    setWindowTitle(QStringLiteral("取回密码"));

    auto* group = new QGroupBox(QStringLiteral("请回答密码提示问题"), this);
    QuestionEdit = new QLineEdit(group);
    QuestionEdit->setObjectName(QStringLiteral("QuestionEdit"));
    DrawInDialogColour(QuestionEdit);
    AnswerEdit = NewSecretEdit(group, "AnswerEdit", 0, false);
    auto* form = new QFormLayout(group);
    form->addRow(NewLabel(group, QStringLiteral("提示问题:"), QuestionEdit), QuestionEdit);
    form->addRow(NewLabel(group, QStringLiteral("请回答:"), AnswerEdit), AnswerEdit);
    QuestionEdit->setMinimumWidth(260);

    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(group);
    layout->addLayout(buttons);
    SetFixedDialogBorder(this);

    SetTabOrder({AnswerEdit, OkButton, CancelButton, QuestionEdit});
    AnswerEdit->setFocus();
}

void TGetPwdForm::SetData(const QString& Question)
{
    QuestionEdit->setText(Question);
    QuestionEdit->setCursorPosition(0);
}

QString TGetPwdForm::GetData() const
{
    return AnswerEdit->text();
}

bool ShowGetPwdForm(const QString& Question, QString& Answer)
{
    TGetPwdForm form(DialogOwner());
    form.SetData(Question);
    if (form.exec() != QDialog::Accepted)
        return false;
    Answer = form.GetData();
    return true;
}
