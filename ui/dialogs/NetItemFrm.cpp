#include "ui/dialogs/NetItemFrm.h"

#include "app/AppObjects.h"
#include "dataproc/Wipe.h"
#include "services/GenPwd.h"
#include "services/qt/MessageBox.h"
#include "services/qt/ShellLaunch.h"
#include "ui/components/PwdStrengthBar.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/EditorHost.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

QLineEdit* NewEdit(QWidget* Parent, const char* Name)
{
    auto* edit = new QLineEdit(Parent);
    edit->setObjectName(QString::fromLatin1(Name));
    return edit;
}

} // namespace

TNetItemForm::TNetItemForm(QWidget* Parent) : TItemBaseForm(Parent)
{
    setObjectName(QStringLiteral("NetItemForm"));
    BaseInfoGroupBox = new QGroupBox(QStringLiteral("基本信息"), this);
    QWidget* g = BaseInfoGroupBox;
    CaptionEdit = NewEdit(g, "CaptionEdit");
    UserNameEdit = NewEdit(g, "UserNameEdit");
    PasswordEdit = NewSecretEdit(g, "PasswordEdit", 0, false);
    HyperlinkEdit = NewEdit(g, "HyperlinkEdit");
    EmailEdit = NewEdit(g, "EmailEdit");
    CopyUserNameButton = NewImageButton("CopyUserNameButton", QStringLiteral("Copy"), QStringLiteral("复制用户名"));
    CopyPwdButton = NewImageButton("CopyPwdButton", QStringLiteral("Copy"), QStringLiteral("复制密码"));
    GenPwdButton = NewImageButton("GenPwdButton", QStringLiteral("Gear"), QStringLiteral("生成密码"));
    CopyHyperlinkButton = NewImageButton("CopyHyperlinkButton", QStringLiteral("Copy"), QStringLiteral("复制链接"));
    GotoHyperlinkButton = NewImageButton("GotoHyperlinkButton", QStringLiteral("Goto"), QStringLiteral("转到..."));
    CopyEmailButton = NewImageButton("CopyEmailButton", QStringLiteral("Copy"), QStringLiteral("复制邮件地址"));
    GotoEmailButton = NewImageButton("GotoEmailButton", QStringLiteral("Goto"), QStringLiteral("发送邮件..."));
    PwdStrengthBar = new TPwdStrengthBar(g);
    PwdStrengthBar->Attach(PasswordEdit);

    auto* grid = new QGridLayout(BaseInfoGroupBox);
    grid->setColumnStretch(1, 1);
    AddFieldRow(grid, 0, QStringLiteral("标题:"), CaptionEdit);
    AddFieldRow(grid, 1, QStringLiteral("用户:"), UserNameEdit, {CopyUserNameButton});
    AddFieldRow(grid, 2, QStringLiteral("密码:"), PasswordEdit, {CopyPwdButton, GenPwdButton});
    grid->addWidget(PwdStrengthBar, 3, 1);
    AddFieldRow(grid, 4, QStringLiteral("链接:"), HyperlinkEdit, {CopyHyperlinkButton, GotoHyperlinkButton});
    AddFieldRow(grid, 5, QStringLiteral("邮件:"), EmailEdit, {CopyEmailButton, GotoEmailButton});

    CommentsMemo = LayOutWithComments(BaseInfoGroupBox);

    BindCopyButton(CopyUserNameButton, UserNameEdit, true);
    BindCopyButton(CopyPwdButton, PasswordEdit, true);
    BindCopyButton(CopyHyperlinkButton, HyperlinkEdit, false);
    BindCopyButton(CopyEmailButton, EmailEdit, false);
    EnableWithText(GotoHyperlinkButton, HyperlinkEdit);
    EnableWithText(GotoEmailButton, EmailEdit);
    connect(GenPwdButton, &QToolButton::clicked, this, &TNetItemForm::GenPwdButtonClick);
    connect(GotoHyperlinkButton, &QToolButton::clicked, this, &TNetItemForm::GotoHyperlinkButtonClick);
    connect(GotoEmailButton, &QToolButton::clicked, this, &TNetItemForm::GotoEmailButtonClick);

    SetTabOrder({CaptionEdit, UserNameEdit, CopyUserNameButton, PasswordEdit, CopyPwdButton, GenPwdButton,
                 HyperlinkEdit, CopyHyperlinkButton, GotoHyperlinkButton, EmailEdit, CopyEmailButton,
                 GotoEmailButton, CommentsMemo, PinButton, OkButton, CancelButton});
    resize(420, 400);
    InitItemForm();
}

void TNetItemForm::AdjustLayout()
{
    for (QToolButton* b : {CopyUserNameButton})
        FitToEdit(b, UserNameEdit);
    for (QToolButton* b : {CopyPwdButton, GenPwdButton})
        FitToEdit(b, PasswordEdit);
    for (QToolButton* b : {CopyHyperlinkButton, GotoHyperlinkButton})
        FitToEdit(b, HyperlinkEdit);
    for (QToolButton* b : {CopyEmailButton, GotoEmailButton})
        FitToEdit(b, EmailEdit);
}

void TNetItemForm::SetData(bool NewMode, const TZmbNetItem& Item)
{
    SetMode(NewMode);
    const TZmbNetItem empty;
    const TZmbNetItem& shown = NewMode ? empty : Item;
    CaptionEdit->setText(QString::fromStdString(shown.Caption));
    UserNameEdit->setText(QString::fromStdString(shown.UserName));
    PasswordEdit->Wipe();
    PasswordEdit->setText(QString::fromStdString(shown.Password.str()));
    HyperlinkEdit->setText(QString::fromStdString(shown.Hyperlink));
    EmailEdit->setText(QString::fromStdString(shown.Email));
    CommentsMemo->setPlainText(QString::fromStdString(shown.Comments));
    CaptionEdit->setFocus();
}

void TNetItemForm::GetData(TZmbNetItem& Item) const
{
    Item.Caption = CaptionEdit->text().toStdString();
    Item.UserName = UserNameEdit->text().toStdString();
    Item.Password = TSecretString(PasswordEdit->TextUtf8());
    Item.Hyperlink = HyperlinkEdit->text().toStdString();
    Item.Email = EmailEdit->text().toStdString();
    Item.Comments = CommentsMemo->toPlainText().toStdString();
}

bool TNetItemForm::CheckInput()
{
    if (CaptionEdit->text().isEmpty()) {
        ShowInformation(this, QStringLiteral("请输入标题，方便以后查找。"));
        CaptionEdit->setFocus();
        return false;
    }
    return true;
}

bool TNetItemForm::StoreNewItem()
{
    TZmbNetItem item;
    GetData(item);
    TEditorHost* host = EditorHost();
    return host != nullptr && host->AddNetItem(item);
}

void TNetItemForm::ResetForNextItem()
{
    SetData(true, TZmbNetItem());
}

void TNetItemForm::GenPwdButtonClick()
{
    std::string password = PwdGenerator().Generate();
    PasswordEdit->Wipe();
    PasswordEdit->setText(QString::fromStdString(password));
    WipeString(password);
}

void TNetItemForm::GotoHyperlinkButtonClick()
{
    OpenDocument(HyperlinkEdit->text());
}

void TNetItemForm::GotoEmailButtonClick()
{
    SendMail(EmailEdit->text());
}

bool ShowNetItemForm(bool NewMode, TZmbNetItem& Item)
{
    return RunItemForm<TNetItemForm>(NewMode, Item);
}
