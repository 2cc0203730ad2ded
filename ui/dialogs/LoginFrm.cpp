#include "ui/dialogs/LoginFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "app/ImageCollection.h"
#include "boxdata/DbFileMgr.h"
#include "services/AppOptMgr.h"
#include "services/Global.h"
#include "ui/components/SecretEdit.h"
#include "ui/components/SvgImage.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/NewFileFrm.h"
#include "ui/dialogs/OpenPasswordBox.h"
#include "services/qt/MessageBox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QScreen>
#include <QWindow>

namespace {

const QColor kMissingFileColour(128, 128, 128);

} // namespace

TLoginForm::TLoginForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("%1 - 登录").arg(QString::fromUtf8(kProductName)));

    BannerImage = new TSvgImage(TImageCollection::ResourcePath(QStringLiteral("Banner")), this);
    BannerImage->setObjectName(QStringLiteral("BannerImage"));
    BannerImage->setFixedHeight(56);
    auto* bannerTitle = new QLabel(QStringLiteral("%1 %2").arg(QString::fromUtf8(kProductName), QString::fromUtf8(kAppTitle)),
                                   BannerImage);
    QFont titleFont = font();
    titleFont.setPixelSize(18);
    titleFont.setBold(true);
    bannerTitle->setFont(titleFont);
    QPalette titlePalette = bannerTitle->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    bannerTitle->setPalette(titlePalette);
    auto* bannerLayout = new QHBoxLayout(BannerImage);
    bannerLayout->setContentsMargins(16, 0, 16, 0);
    bannerLayout->addWidget(bannerTitle, 0, Qt::AlignVCenter | Qt::AlignLeft);
    LogoImage = new TSvgImage(TImageCollection::ResourcePath(QStringLiteral("AppIcon")), this);
    LogoImage->setObjectName(QStringLiteral("LogoImage"));
    LogoImage->setFixedSize(32, 32);

    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    FileNameEdit->setReadOnly(true);
    BrowseButton = NewButton(this, "BrowseButton", QStringLiteral("..."));
    PasswordEdit = NewSecretEdit(this, "PasswordEdit");
    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    NewFileButton = NewButton(this, "NewFileButton", QStringLiteral("新建密码箱..."));

    connect(FileNameEdit, &QLineEdit::textChanged, this, &TLoginForm::FileNameEditChange);
    connect(BrowseButton, &QPushButton::clicked, this, &TLoginForm::BrowseButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TLoginForm::OkButtonClick);
    connect(NewFileButton, &QPushButton::clicked, this, &TLoginForm::NewFileButtonClick);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(4);
    fields->addWidget(NewLabel(this, QStringLiteral("请选择要打开的密码箱文件:"), FileNameEdit), 0, 0, 1, 2);
    fields->addWidget(FileNameEdit, 1, 0);
    fields->addWidget(BrowseButton, 1, 1);
    fields->setRowMinimumHeight(2, 6);
    fields->addWidget(NewLabel(this, QStringLiteral("请输入密码:"), PasswordEdit), 3, 0, 1, 2);
    fields->addWidget(PasswordEdit, 4, 0);
    fields->setColumnStretch(0, 1);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(16, 12, 16, 4);
    body->setSpacing(14);
    body->addWidget(LogoImage, 0, Qt::AlignTop);
    body->addLayout(fields, 1);

    buttons->setContentsMargins(16, 4, 16, 12);
    buttons->insertWidget(0, NewFileButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(BannerImage);
    layout->addLayout(body);
    layout->addLayout(buttons);
    FileNameEdit->setMinimumWidth(300);
    SetFixedDialogBorder(this, true);

    SetTabOrder({FileNameEdit, BrowseButton, PasswordEdit, OkButton, CancelButton, NewFileButton});
    AlignBrowseButton();
    ProposeFile();
    FileNameEditChange();
    if (FileNameEdit->text().isEmpty())
        FileNameEdit->setFocus();
    else
        PasswordEdit->setFocus();
}

void TLoginForm::ProposeFile()
{
    const QString argument = StartFileArgument();
    if (!argument.isEmpty()) {
        FileNameEdit->setText(argument);
        return;
    }
    switch (AppOptionsMgr().ReadInteger(AppOpt::AutoOpenMode)) {
    case aoThisFile:
        FileNameEdit->setText(QString::fromStdString(AppOptionsMgr().ReadText(AppOpt::AutoOpenThisFile)));
        break;
    case aoLastFile:
        FileNameEdit->setText(QString::fromStdString(AppOptionsMgr().ReadText(AppOpt::LastFile)));
        break;
    default:
        break;
    }
}

void TLoginForm::showEvent(QShowEvent* Event)
{
    TBaseForm::showEvent(Event);
    // The button follows its edit when the window moves to a screen of another scaling.
    if (QWindow* window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &TLoginForm::AlignBrowseButton, Qt::UniqueConnection);
}

void TLoginForm::AlignBrowseButton()
{
    ::AlignBrowseButton(BrowseButton, FileNameEdit);
}

void TLoginForm::FileNameEditChange()
{
    QPalette p = FileNameEdit->palette();
    const bool exists = QFileInfo(FileNameEdit->text()).isFile();
    p.setColor(QPalette::Text, exists ? palette().color(QPalette::Text) : kMissingFileColour);
    FileNameEdit->setPalette(p);
}

void TLoginForm::BrowseButtonClick()
{
    QFileDialog dialog(this, QString(), QString(), QStringLiteral("密码箱文件(*.zmb)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QFileInfo current(FileNameEdit->text());
    if (!FileNameEdit->text().isEmpty()) {
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    FileNameEdit->setText(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
    PasswordEdit->setFocus();
    PasswordEdit->selectAll();
}

void TLoginForm::NewFileButtonClick()
{
    QString fileName = FileNameEdit->text();
    QString password;
    if (!ShowNewFileForm(this, fileName, password))
        return;
    // The user types the new password once more.
    WipeQString(password);
    FileNameEdit->setText(fileName);
    PasswordEdit->setFocus();
}

bool TLoginForm::CheckFileName()
{
    if (!FileNameEdit->text().isEmpty())
        return true;
    ShowInformation(this, QStringLiteral("文件名不能为空，请输入密码箱文件名。"));
    FileNameEdit->setFocus();
    return false;
}

void TLoginForm::OkButtonClick()
{
    if (!CheckFileName())
        return;
    if (OpenPasswordBox(FileNameEdit->text(), PasswordEdit->text())) {
        PasswordEdit->Wipe();
        accept();
        return;
    }
    PasswordEdit->Wipe();
    PasswordEdit->setFocus();
}

bool ShowLoginForm()
{
    const bool wasOpen = DbFileMgr.IsOpen();
    bool opened = false;
    {
        TLoginForm form(MainFormWindow());
        opened = form.exec() == QDialog::Accepted;
    }
    // A failed attempt closes the box that was open; a window showing a closed box would fail
    // on every command, so cancelling gives it back.
    if (!opened && wasOpen && !DbFileMgr.IsOpen())
        DbFileMgr.ReOpenDatabase();
    return opened;
}
