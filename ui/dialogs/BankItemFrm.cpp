#include "ui/dialogs/BankItemFrm.h"

#include "services/qt/EmptyFieldError.h"
#include "services/qt/SecretClipboard.h"
#include "ui/components/PwdStrengthBar.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/EditorHost.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

const QStringList& TBankItemForm::AccountTypes()
{
    static const QStringList types{"存折", "借记卡", "信用卡", "一卡通", "一本通", "龙卡", "太平洋卡", "牡丹灵通卡", "金穗通宝卡"};
    return types;
}

TBankItemForm::TBankItemForm(QWidget* Parent) : TItemBaseForm(Parent)
{
    setObjectName(QStringLiteral("BankItemForm"));
    BaseInfoGroupBox = new QGroupBox(QStringLiteral("基本信息"), this);
    QWidget* g = BaseInfoGroupBox;
    BankNameEdit = new QLineEdit(g);
    BankNameEdit->setObjectName(QStringLiteral("BankNameEdit"));
    AccTypeComboBox = new QComboBox(g);
    AccTypeComboBox->setObjectName(QStringLiteral("AccTypeComboBox"));
    AccTypeComboBox->setEditable(true);
    AccTypeComboBox->setInsertPolicy(QComboBox::NoInsert);
    AccTypeComboBox->setMaxVisibleItems(10);
    AccTypeComboBox->addItems(AccountTypes());
    UserNameEdit = new QLineEdit(g);
    UserNameEdit->setObjectName(QStringLiteral("UserNameEdit"));
    AccountEdit = new QLineEdit(g);
    AccountEdit->setObjectName(QStringLiteral("AccountEdit"));
    PasswordEdit = NewSecretEdit(g, "PasswordEdit", 0, false);
    CopyUserNameButton = NewImageButton("CopyUserNameButton", QStringLiteral("Copy"), QStringLiteral("复制户名"));
    CopyAccountButton = NewImageButton("CopyAccountButton", QStringLiteral("Copy"), QStringLiteral("复制账号/卡号"));
    CopyPwdButton = NewImageButton("CopyPwdButton", QStringLiteral("Copy"), QStringLiteral("复制密码"));
    PwdStrengthBar = new TPwdStrengthBar(g);
    PwdStrengthBar->Attach(PasswordEdit);

    auto* grid = new QGridLayout(BaseInfoGroupBox);
    grid->setColumnStretch(1, 1);
    AddFieldRow(grid, 0, QStringLiteral("开户行:"), BankNameEdit);
    AddFieldRow(grid, 1, QStringLiteral("类别:"), AccTypeComboBox);
    AddFieldRow(grid, 2, QStringLiteral("户名:"), UserNameEdit, {CopyUserNameButton});
    AddFieldRow(grid, 3, QStringLiteral("账号/卡号:"), AccountEdit, {CopyAccountButton});
    AddFieldRow(grid, 4, QStringLiteral("取款密码:"), PasswordEdit, {CopyPwdButton});
    grid->addWidget(PwdStrengthBar, 5, 1);

    AccCopyPopupMenu = new QMenu(this);
    AccCopyPopupMenu->setObjectName(QStringLiteral("AccCopyPopupMenu"));
    QAction* copyAsIs = AccCopyPopupMenu->addAction(QStringLiteral("复制(&C)"));
    copyAsIs->setObjectName(QStringLiteral("AccCopyItem"));
    AccCopyPopupMenu->addSeparator();
    QAction* copyNoSpaces = AccCopyPopupMenu->addAction(QStringLiteral("去除空格复制(&D)"));
    copyNoSpaces->setObjectName(QStringLiteral("AccCopyNoSpaceItem"));
    connect(copyAsIs, &QAction::triggered, this, [this] { TSecretClipboard::Shared().CopySecret(AccountEdit->text()); });
    connect(copyNoSpaces, &QAction::triggered, this, [this] {
        // Only the plain space goes: account numbers are written in groups of digits.
        TSecretClipboard::Shared().CopySecret(AccountEdit->text().remove(QLatin1Char(' ')));
    });

    CommentsMemo = LayOutWithComments(BaseInfoGroupBox);

    BindCopyButton(CopyUserNameButton, UserNameEdit, true);
    BindCopyButton(CopyPwdButton, PasswordEdit, true);
    EnableWithText(CopyAccountButton, AccountEdit);
    connect(CopyAccountButton, &QToolButton::clicked, this, &TBankItemForm::CopyAccountButtonClick);

    SetTabOrder({BankNameEdit, AccTypeComboBox, UserNameEdit, CopyUserNameButton, AccountEdit, CopyAccountButton,
                 PasswordEdit, CopyPwdButton, CommentsMemo, PinButton, OkButton, CancelButton});
    resize(420, 400);
    InitItemForm();
}

void TBankItemForm::AdjustLayout()
{
    FitToEdit(CopyUserNameButton, UserNameEdit);
    FitToEdit(CopyAccountButton, AccountEdit);
    FitToEdit(CopyPwdButton, PasswordEdit);
}

void TBankItemForm::SetData(bool NewMode, const TZmbBankItem& Item)
{
    SetMode(NewMode);
    const TZmbBankItem empty;
    const TZmbBankItem& shown = NewMode ? empty : Item;
    BankNameEdit->setText(QString::fromStdString(shown.BankName));
    AccTypeComboBox->setEditText(QString::fromStdString(shown.AccType));
    UserNameEdit->setText(QString::fromStdString(shown.UserName));
    AccountEdit->setText(QString::fromStdString(shown.Account));
    PasswordEdit->Wipe();
    PasswordEdit->setText(QString::fromStdString(shown.Password.str()));
    CommentsMemo->setPlainText(QString::fromStdString(shown.Comments));
    BankNameEdit->setFocus();
}

void TBankItemForm::GetData(TZmbBankItem& Item) const
{
    Item.BankName = BankNameEdit->text().toStdString();
    Item.AccType = AccTypeComboBox->currentText().toStdString();
    Item.UserName = UserNameEdit->text().toStdString();
    Item.Account = AccountEdit->text().toStdString();
    Item.Password = TSecretString(PasswordEdit->TextUtf8());
    Item.Comments = CommentsMemo->toPlainText().toStdString();
}

bool TBankItemForm::CheckInput()
{
    if (BankNameEdit->text().isEmpty()) {
        ShowEmptyFieldError(QStringLiteral("开户行"), BankNameEdit, false);
        return false;
    }
    if (AccountEdit->text().isEmpty()) {
        ShowEmptyFieldError(QStringLiteral("账号/卡号"), AccountEdit, false);
        return false;
    }
    return true;
}

bool TBankItemForm::StoreNewItem()
{
    TZmbBankItem item;
    GetData(item);
    TEditorHost* host = EditorHost();
    return host != nullptr && host->AddBankItem(item);
}

void TBankItemForm::ResetForNextItem()
{
    SetData(true, TZmbBankItem());
}

void TBankItemForm::CopyAccountButtonClick()
{
    AccCopyPopupMenu->popup(CopyAccountButton->mapToGlobal(CopyAccountButton->rect().bottomLeft() + QPoint(0, 1)));
}

bool ShowBankItemForm(bool NewMode, TZmbBankItem& Item)
{
    return RunItemForm<TBankItemForm>(NewMode, Item);
}
