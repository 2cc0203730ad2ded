// What the window does with the box as a file: taking over an opened box, the automatic backup,
// the open-file announcement, new and open, compaction, the password change, options and help.
#include "ui/main/MainFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "boxdata/DbFileMgr.h"
#include "boxdata/SearchCache.h"
#include "services/AppOptMgr.h"
#include "services/BoxBackup.h"
#include "services/Global.h"
#include "services/ProjectUtils.h"
#include "services/PubUtils.h"
#include "services/qt/BoxFileWatcher.h"
#include "services/qt/FileDialogs.h"
#include "services/qt/MessageBox.h"
#include "services/qt/ShellLaunch.h"
#include "services/qt/WindowUtils.h"
#include "ui/components/SecretEdit.h"
#include "ui/components/TrayIcon.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/ChgPwdFrm.h"
#include "ui/dialogs/InputFrm.h"
#include "ui/dialogs/LoginFrm.h"
#include "ui/dialogs/NewFileFrm.h"
#include "ui/dialogs/NoticeFrm.h"
#include "ui/dialogs/OpenPasswordBox.h"
#include "ui/dialogs/OptionsFrm.h"
#include "ui/dialogs/ProgressFrm.h"
#include "ui/main/ItemList.h"
#include "ui/main/SearchResultModel.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {

QString Q(const std::string& Utf8)
{
    return QString::fromStdString(Utf8);
}

QString KBytes(int64_t Size)
{
    return Q(FormatKBytes(" KB", Size));
}

} // namespace

void TMainForm::DoFileOpened()
{
    const QString path = Q(DbFileMgr.FileName());
    const QString product = QString::fromUtf8(kProductName);
    setWindowTitle(QStringLiteral("%1 - [%2]").arg(product, path));
    YarroTrayIcon->SetTip(QStringLiteral("%1 - [%2]").arg(product, QFileInfo(path).fileName()));
    AppOptionsMgr().SetValues(AppOpt::LastFile, DbFileMgr.FileName());
    AppOptionsMgr().Save(AppOpt::LastFile);
    RegisterOpenFile();
    BoxFileWatcher->Watch(path, [] { return DbFileMgr.FileFate(); });

    FCurFolderID = 0;
    FItemList->Clear();
    SetListRowCount(0);
    BuildFolderTree();

    SearchBox->clear();
    FSearchCache->Clear(); // the texts of the box shown before
    // Hits of the box shown before would lead to other entries under the same ids here.
    FSearchModel->SetRows({});
    UpdateActionStates();
    SetSearchResultVisible(false);
    SearchBox->setFocus();
    if (AppOptionsMgr().ReadBoolean(AppOpt::CreateBackup)) {
        // A backup that fails is reported; the box stays open and shown.
        try {
            CheckBackup(false);
        } catch (const std::exception& e) {
            ShowException(e);
        }
    }
}

void TMainForm::BoxFileLost(TFileFate Fate)
{
    const QString path = Q(DbFileMgr.FileName());
    // A box that is gone can only be kept by saving it; one replaced is most likely the same box
    // changed elsewhere, so opening the new file comes first.
    const bool replaced = Fate == ffReplaced;
    const QString text =
        replaced ? QStringLiteral("密码箱文件“%1”已被其他程序（例如同步软件）替换为另一个文件。\r\r"
                                  "此窗口中的内容仍来自原来的文件，但修改已无法保存到其中。您可以打开新文件"
                                  "（需要输入它的密码），或将此窗口中的内容另存为副本，或者关闭。")
                       .arg(path)
                 : QStringLiteral("密码箱文件“%1”已被移动或删除。\r\r"
                                  "此窗口中的内容仍来自原来的文件，但修改已无法保存。您可以将此窗口中的内容"
                                  "另存为新文件，或打开其他密码箱，或者关闭。")
                       .arg(path);
    const QMessageBox::StandardButton first = replaced ? QMessageBox::Open : QMessageBox::Save;
    const QList<QPair<QMessageBox::StandardButton, QString>> choices = {
        {QMessageBox::Open, replaced ? QStringLiteral("打开新文件(&O)...") : QStringLiteral("打开其他文件(&O)...")},
        {QMessageBox::Save, replaced ? QStringLiteral("另存为副本(&S)...") : QStringLiteral("另存为(&S)...")},
        {QMessageBox::Close, QStringLiteral("关闭(&C)")}};
    // Every way out that fails or is cancelled brings the choices back.
    const auto tried = [](const std::function<bool()>& Way) {
        try {
            return Way();
        } catch (const std::exception& e) {
            ShowException(e);
            return false;
        }
    };
    for (;;) {
        switch (ShowChoiceBox(this, text, QMessageBox::Warning, choices, first)) {
        case QMessageBox::Open:
            if (tried([&] {
                    QString fileName = path;
                    return (replaced || ChooseOpenFile(this, QString(), QStringLiteral("密码箱文件(*.zmb)"), fileName)) &&
                           OpenInPlaceOfLostBox(fileName);
                }))
                return;
            break;
        case QMessageBox::Save:
            if (tried([this] { return SaveLostBoxAs(); }))
                return;
            break;
        default:
            // Closing the window ends the program; what the lost file held goes with it.
            close();
            return;
        }
    }
}

bool TMainForm::OpenInPlaceOfLostBox(const QString& FileName)
{
    QString password;
    if (!ShowInputForm(QString::fromUtf8(kAppTitle), QStringLiteral("请输入“%1”的登录密码：").arg(FileName), password, true))
        return false;
    // Checked before anything is closed: until the new box opens, the lost one can still be saved.
    const std::string fileName = FileName.toStdString();
    TSecretString checked(password.toStdString());
    if (!DbFileMgr.CheckPassword(fileName, checked)) {
        WipeQString(password);
        ShowWarning(this, QStringLiteral("密码错误，或者该文件不是有效的密码箱文件。"));
        return false;
    }
    const bool opened = OpenPasswordBox(FileName, password);
    WipeQString(password);
    if (opened)
        DoFileOpened();
    return opened;
}

bool TMainForm::SaveLostBoxAs()
{
    const QFileInfo lost(Q(DbFileMgr.FileName()));
    QString fileName = lost.absoluteDir().filePath(lost.completeBaseName() + QStringLiteral(" - 副本.zmb"));
    if (!ChooseSaveFile(this, QStringLiteral("另存为"), QStringLiteral("密码箱文件(*.zmb)"), fileName))
        return false;
    if (IsFileOpenedElsewhere(fileName.toStdString())) {
        ShowInformation(this, QStringLiteral("此文件在另一程序中已打开。"));
        return false;
    }
    const std::string target = fileName.toStdString();
    RebuildBox(QStringLiteral("正在保存，请稍候……"), [&target] { return DbFileMgr.SaveCopyAs(target); });
    DoFileOpened();
    return true;
}

void TMainForm::CheckBackup(bool Force)
{
    if (Force) {
        BackupFile();
        return;
    }
    TAppOptionsMgr& options = AppOptionsMgr();
    if (options.ReadBoolean(AppOpt::CreateBackup) &&
        BackupWanted(GetFileSizeByName(DbFileMgr.FileName()), options.ReadInteger(AppOpt::MaxBackupSize)))
        BackupFile();
}

void TMainForm::BackupFile()
{
    std::string folder = AppOptionsMgr().ReadText(AppOpt::BackupFolder);
    if (NormalizeFolder(folder).empty())
        folder = GetDefaultBackupFolder();
    TWaitCursor wait;
    BackupBoxFile(DbFileMgr.FileName(), NormalizeFolder(folder));
}

void TMainForm::RegisterOpenFile()
{
    UnregisterOpenFile();
    FOpenFileMarker.Announce(DbFileMgr.FileName());
}

void TMainForm::UnregisterOpenFile()
{
    FOpenFileMarker.Withdraw();
}

bool TMainForm::RebuildBox(const QString& Text, const std::function<bool()>& Work)
{
    bool result = false;
    try {
        result = RunWithProgressForm(this, Text, Work);
    } catch (...) {
        RegisterOpenFile();
        throw;
    }
    RegisterOpenFile();
    return result;
}

void TMainForm::NewFileActionExecute()
{
    QString fileName;
    QString password;
    const bool wasOpen = DbFileMgr.IsOpen();
    if (ShowNewFileForm(nullptr, fileName, password)) {
        if (OpenPasswordBox(fileName, password))
            DoFileOpened();
        else if (wasOpen && !DbFileMgr.IsOpen())
            DbFileMgr.ReOpenDatabase(); // the window goes on showing the box it had
    }
    WipeQString(password);
}

void TMainForm::OpenFileActionExecute()
{
    if (ShowLoginForm())
        DoFileOpened();
}

void TMainForm::CompactActionExecute()
{
    if (!AskConfirmation(this, QStringLiteral("确定要优化文件大小吗？如果文件比较大，此操作可能需要较长时间。")))
        return;
    const int64_t before = GetFileSizeByName(DbFileMgr.FileName());
    RebuildBox(QStringLiteral("正在优化文件大小，请稍候……"), [] { return DbFileMgr.Compact(); });
    const int64_t after = GetFileSizeByName(DbFileMgr.FileName());
    ShowInformation(this, QStringLiteral("文件优化完毕。\r优化前文件大小为 %1.\r优化后文件大小为 %2.")
                              .arg(KBytes(before), KBytes(after)));
}

void TMainForm::ChgPwdActionExecute()
{
    TChgPwdFormData data;
    if (!ShowChgPwdForm(data))
        return;
    const TSecretString password(data.Password.toStdString());
    const bool changed = RebuildBox(QStringLiteral("正在更改登录密码，请稍候……"),
                                    [&password] { return DbFileMgr.ChangePassword(password, true); });
    if (data.ChgPwdQues) {
        const TSecretString answer(data.PwdAnswer.toStdString());
        DbFileMgr.SetPwdQuestion(data.UsePwdQues, data.PwdQuestion.toStdString(), answer);
    }
    if (changed)
        ShowInformation(this, QStringLiteral("密码修改成功。请牢记您的新密码！"));
}

void TMainForm::OptionsActionExecute()
{
    ShowOptionsForm();
}

void TMainForm::FileExitItemClick()
{
    close();
}

void TMainForm::HelpHelpItemClick()
{
    RunProgram(Q(GetReadmeFileName()));
}

void TMainForm::HelpNoticeItemClick()
{
    ShowNoticeForm(true);
}

void TMainForm::HelpAboutItemClick()
{
    ShowAboutForm();
}

void TMainForm::HelpWebsiteItemClick()
{
    OpenDocument(QString::fromUtf8(kProductWebsite));
}

void TMainForm::HelpEmailItemClick()
{
    const QString subject = QStringLiteral("关于%1 %2").arg(QString::fromUtf8(kProductName), QString::fromUtf8(kProductVersion));
    SendMail(QStringLiteral("mailto:%1?subject=%2").arg(QString::fromUtf8(kProductEmail), subject));
}
