#include "ui/dialogs/InputFrm.h"

#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TInputForm::TInputForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("InputForm"));
    PromptLabel = new QLabel(this);
    PromptLabel->setObjectName(QStringLiteral("PromptLabel"));
    ValueEdit = NewSecretEdit(this, "ValueEdit", 0, false);
    ValueEdit->setMinimumWidth(280);
    PromptLabel->setBuddy(ValueEdit);

    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PromptLabel);
    layout->addWidget(ValueEdit);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    SetFixedDialogBorder(this);

    SetTabOrder({ValueEdit, OkButton, CancelButton});
    ValueEdit->setFocus();
}

void TInputForm::SetPrompt(const QString& Prompt)
{
    PromptLabel->setText(Prompt);
}

void TInputForm::SetPasswordMode(bool Value)
{
    ValueEdit->SetMasked(Value);
}

void TInputForm::SetData(const QString& Value)
{
    ValueEdit->setText(Value);
    ValueEdit->selectAll();
}

void TInputForm::GetData(QString& Value) const
{
    Value = ValueEdit->text();
}

bool ShowInputForm(const QString& Caption, const QString& Prompt, QString& Value, bool PasswordMode)
{
    TInputForm form(DialogOwner());
    form.setWindowTitle(Caption);
    form.SetPrompt(Prompt);
    form.SetPasswordMode(PasswordMode);
    form.SetData(Value);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.GetData(Value);
    return true;
}
