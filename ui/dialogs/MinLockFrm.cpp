#include "ui/dialogs/MinLockFrm.h"

#include "app/Application.h"
#include "app/ImageCollection.h"
#include "boxdata/DbFileMgr.h"
#include "services/qt/MessageBox.h"
#include "ui/components/SecretEdit.h"
#include "ui/components/SvgImage.h"
#include "ui/dialogs/DialogParts.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TMinLockForm* Active = nullptr;

} // namespace

TMinLockForm::TMinLockForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("MinLockForm"));
    setWindowTitle(QStringLiteral("密码"));

    LockImage = new TSvgImage(TImageCollection::ResourcePath(QStringLiteral("Lock")), this);
    LockImage->setObjectName(QStringLiteral("LockImage"));
    LockImage->setFixedSize(32, 32);
    auto* info = new QLabel(QStringLiteral("为了保护您的隐私安全，密码箱已经被锁住了，请输入登录密码以便解锁。"), this);
    info->setWordWrap(true);

    auto* group = new QGroupBox(QStringLiteral("请输入登录密码"), this);
    FileNameEdit = new QLineEdit(group);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    DrawInDialogColour(FileNameEdit);
    PasswordEdit = NewSecretEdit(group, "PasswordEdit");
    auto* form = new QFormLayout(group);
    form->addRow(NewLabel(group, QStringLiteral("密码箱文件:"), FileNameEdit), FileNameEdit);
    form->addRow(NewLabel(group, QStringLiteral("请输入密码:"), PasswordEdit), PasswordEdit);

    ExitButton = NewButton(this, "ExitButton", QStringLiteral("退出程序(&X)"));
    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    buttons->insertWidget(0, ExitButton);
    connect(ExitButton, &QPushButton::clicked, this, &TMinLockForm::ExitButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TMinLockForm::OkButtonClick);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(LockImage, 0, Qt::AlignTop);
    top->addWidget(info, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group);
    layout->addLayout(buttons);
    info->setMinimumWidth(300);
    SetFixedDialogBorder(this);

    SetTabOrder({PasswordEdit, OkButton, CancelButton, ExitButton, FileNameEdit});
}

void TMinLockForm::showEvent(QShowEvent* Event)
{
    FileNameEdit->setText(QFileInfo(QString::fromStdString(DbFileMgr.FileName())).fileName());
    FileNameEdit->setCursorPosition(0);
    TBaseForm::showEvent(Event);
    raise();
    activateWindow();
    PasswordEdit->setFocus();
}

void TMinLockForm::OkButtonClick()
{
    if (PasswordEdit->TextEquals(DbFileMgr.Password())) {
        accept();
        return;
    }
    ShowWarning(this, QStringLiteral("对不起，您输入的登录密码不正确。"));
    reject();
}

void TMinLockForm::ExitButtonClick()
{
    reject();
    TerminateApplication();
}

TMinLockForm* ActiveMinLockForm()
{
    return Active;
}

bool ShowMinLockForm()
{
    if (Active != nullptr) {
        Active->raise();
        Active->activateWindow();
        return false;
    }
    // While the main window hides in the tray, a dialog it owned would have no taskbar button;
    // without an owner the dialog is a window of its own that the user can reach.
    QWidget* owner = MainFormWindow();
    if (owner != nullptr && !owner->isVisible())
        owner = nullptr;
    TMinLockForm form(owner);
    struct TActiveScope {
        explicit TActiveScope(TMinLockForm* Form) { Active = Form; }
        ~TActiveScope() { Active = nullptr; }
    } scope(&form);
    return form.exec() == QDialog::Accepted;
}
