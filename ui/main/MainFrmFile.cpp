// What the window does with the box as a file: taking over an opened box, the automatic backup,
// the open-file announcement, new and open, compaction, the password change, options and help.
#include "ui/main/MainFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "boxdata/DbFileMgr.h"
#include "services/AppOptMgr.h"
#include "services/BoxBackup.h"
#include "services/Global.h"
#include "services/ProjectUtils.h"
#include "services/PubUtils.h"
#include "services/qt/MessageBox.h"
#include "services/qt/ShellLaunch.h"
#include "services/qt/WindowUtils.h"
#include "ui/components/SecretEdit.h"
#include "ui/components/TrayIcon.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/ChgPwdFrm.h"
#include "ui/dialogs/LoginFrm.h"
#include "ui/dialogs/NewFileFrm.h"
#include "ui/dialogs/NoticeFrm.h"
#include "ui/dialogs/OpenPasswordBox.h"
#include "ui/dialogs/OptionsFrm.h"
#include "ui/dialogs/ProgressFrm.h"
#include "ui/main/ItemList.h"
#include "ui/main/SearchResultModel.h"

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

    FCurFolderID = 0;
    FItemList->Clear();
    SetListRowCount(0);
    BuildFolderTree();

    SearchBox->clear();
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
