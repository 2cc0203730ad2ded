#include "ui/dialogs/NewFileFrm.h"

#include "boxdata/DbFileMgr.h"
#include "dataproc/Wipe.h"
#include "services/AppFolders.h"
#include "services/Global.h"
#include "services/qt/MessageBox.h"
#include "ui/components/BalloonHint.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/PwdQuestionParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMaxPasswordLength = 56;
constexpr int kOwnerOffset = 40;

// Where the save dialog starts when no file is proposed: the program's folder for a copy kept
// in a folder of its own, the home folder for an installed one (it cannot write where it lives).
QString DefaultBoxFolder()
{
    const std::string program = ProgramFolder();
    return QString::fromStdString(IsFolderWritable(program) ? program : HomeFolder());
}

} // namespace

TNewFileForm::TNewFileForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("NewFileForm"));
    setWindowTitle(QStringLiteral("新建密码箱"));

    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    FileNameEdit->setReadOnly(true);
    BrowseButton = NewButton(this, "BrowseButton", QStringLiteral("..."));
    connect(BrowseButton, &QPushButton::clicked, this, &TNewFileForm::BrowseButtonClick);

    auto* pwdGroup = new QGroupBox(QStringLiteral("请输入密码箱的登录密码(请牢记！)"), this);
    PasswordEdit = NewSecretEdit(pwdGroup, "PasswordEdit", kMaxPasswordLength);
    ConfirmPwdEdit = NewSecretEdit(pwdGroup, "ConfirmPwdEdit", kMaxPasswordLength);
    auto* pwdForm = new QFormLayout(pwdGroup);
    pwdForm->addRow(NewLabel(pwdGroup, QStringLiteral("登录密码:"), PasswordEdit), PasswordEdit);
    pwdForm->addRow(NewLabel(pwdGroup, QStringLiteral("密码确认:"), ConfirmPwdEdit), ConfirmPwdEdit);

    auto* quesGroup = new QGroupBox(this);
    const TPwdQuestionFields question = NewPwdQuestionFields(quesGroup, 6);
    UsePwdQuesCheckBox = question.UsePwdQuesCheckBox;
    QuestionComboBox = question.QuestionComboBox;
    AnswerEdit = question.AnswerEdit;

    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    connect(OkButton, &QPushButton::clicked, this, &TNewFileForm::OkButtonClick);
    connect(UsePwdQuesCheckBox, &QCheckBox::toggled, this, &TNewFileForm::UsePwdQuesCheckBoxClick);
    BalloonHint = new TYarroBalloonHint(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(4);
    fileRow->addWidget(FileNameEdit, 1);
    fileRow->addWidget(BrowseButton);
    auto* fileForm = new QFormLayout;
    fileForm->addRow(NewLabel(this, QStringLiteral("密码箱文件:"), FileNameEdit), fileRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileForm);
    layout->addWidget(pwdGroup);
    layout->addWidget(quesGroup);
    layout->addLayout(buttons);
    FileNameEdit->setMinimumWidth(280);
    SetFixedDialogBorder(this);

    SetTabOrder({FileNameEdit, BrowseButton, PasswordEdit, ConfirmPwdEdit, UsePwdQuesCheckBox, QuestionComboBox,
                 AnswerEdit, OkButton, CancelButton});
    AlignBrowseButton(BrowseButton, FileNameEdit);
    UsePwdQuesCheckBoxClick();
}

void TNewFileForm::SetData(const QString& FileName)
{
    FileNameEdit->setText(FileName);
}

void TNewFileForm::GetData(QString& FileName, QString& Password) const
{
    FileName = FileNameEdit->text();
    Password = PasswordEdit->text();
}

void TNewFileForm::BrowseButtonClick()
{
    const QString current = FileNameEdit->text();
    QFileDialog dialog(this, QStringLiteral("新建密码箱文件"), DefaultBoxFolder(),
                       QStringLiteral("密码箱文件(*.zmb)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("zmb"));
    if (!current.isEmpty())
        dialog.selectFile(current);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    FileNameEdit->setText(QDir::toNativeSeparators(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath()));
}

void TNewFileForm::UsePwdQuesCheckBoxClick()
{
    ApplyUsePwdQues(UsePwdQuesCheckBox, QuestionComboBox, AnswerEdit, BalloonHint);
}

bool TNewFileForm::CheckInput()
{
    const QString fileName = FileNameEdit->text();
    if (fileName.isEmpty()) {
        ShowWarning(this, QStringLiteral("文件名不能为空."));
        FileNameEdit->setFocus();
        return false;
    }
    if (QFileInfo::exists(fileName) &&
        ShowMessageBox(this, QStringLiteral("文件 ") + fileName + QStringLiteral(" 已经存在，覆盖它吗？"),
                       QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel,
                       QMessageBox::Cancel) != QMessageBox::Ok) {
        FileNameEdit->setFocus();
        return false;
    }
    if (!CheckPasswordsMatch(PasswordEdit, ConfirmPwdEdit))
        return false;
    if (UsePwdQuesCheckBox->isChecked() && !CheckPwdQuestionInput(QuestionComboBox, AnswerEdit))
        return false;
    return true;
}

void TNewFileForm::OkButtonClick()
{
    if (!CheckInput())
        return;
    const QString fileName = FileNameEdit->text();
    std::string password = PasswordEdit->TextUtf8();
    std::string answer = AnswerEdit->TextUtf8();
    bool created = false;
    try {
        created = DbFileMgr.CreateDatabase(fileName.toStdString(), password, true, UsePwdQuesCheckBox->isChecked(),
                                           QuestionComboBox->currentText().toStdString(), answer);
    } catch (...) {
        WipeString(password);
        WipeString(answer);
        throw;
    }
    WipeString(answer);
    if (!created) {
        WipeString(password);
        return;
    }
    // The one place the new password is shown in plain text, so the user can note it; it is
    // written nowhere.
    QString shown = QString::fromStdString(password);
    WipeString(password);
    QString message = QStringLiteral("您已经成功创建了一个新密码箱文件。\r\r文件路径: %1\r登录密码: %2\r\r"
                                     "请保管好这个文件，并牢记登录密码，\r一旦遗忘，将无法挽回，切记！")
                          .arg(fileName, shown);
    WipeQString(shown);
    ShowInformation(this, message);
    WipeQString(message);
    accept();
}

bool ShowNewFileForm(QWidget* Owner, QString& FileName, QString& Password)
{
    TNewFileForm form(Owner != nullptr ? Owner : DialogOwner());
    if (Owner != nullptr)
        form.move(Owner->pos() + QPoint(kOwnerOffset, kOwnerOffset));
    form.SetData(FileName);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.GetData(FileName, Password);
    return true;
}
