#include "ui/dialogs/OpenPasswordBox.h"

#include "boxdata/DbFileMgr.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"
#include "services/OpenFileLock.h"
#include "services/PathUtils.h"
#include "services/qt/MessageBox.h"
#include "storage/NorkLayout.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/GetPwdFrm.h"

#include <QApplication>
#include <QFileInfo>

namespace {

QWidget* MessageOwner()
{
    return QApplication::activeWindow();
}

// The file checks before the password: false after the warning for a missing, foreign or
// unreadable file.
bool CheckBoxFile(const std::string& FileName)
{
    try {
        if (!QFileInfo::exists(QString::fromStdString(FileName))) {
            ShowWarning(MessageOwner(), QStringLiteral("对不起，文件不存在。"));
            return false;
        }
        if (!DbFileMgr.IsValidFile(FileName)) {
            ShowWarning(MessageOwner(), QStringLiteral("这不是一个合法的密码箱文件。"));
            return false;
        }
    } catch (const std::exception&) {
        ShowWarning(MessageOwner(), QStringLiteral("无法打开这个密码箱文件，文件可能已损坏。"));
        return false;
    }
    return true;
}

// The password was right: opens the box; false after the error message when it cannot be read.
bool OpenCheckedBox(const std::string& FileName, const std::string& Password)
{
    try {
        DbFileMgr.OpenDatabase(FileName, Password);
    } catch (const std::exception&) {
        ShowError(MessageOwner(), QStringLiteral("非常抱歉，该密码箱文件无法打开，可能由于意外原因而被损坏。\r"
                                                 "请使用 Backup 目录下的备份文件。"));
        return false;
    }
    return true;
}

// The password was wrong: the recovery question when the box has one, else the warning.
void OfferRecovery(const std::string& FileName)
{
    std::string question;
    std::string answer;
    if (!DbFileMgr.GetPwdQuestion(FileName, question, answer)) {
        ShowWarning(MessageOwner(), QStringLiteral("密码不正确，请重新输入密码。\r"
                                                   "密码的字母必须使用正确的大小写。请确定是否因疏忽而按下了 Caps Lock 键。"));
        return;
    }
    const bool wanted =
        ShowMessageBox(MessageOwner(),
                       QStringLiteral("您输入的密码不正确！如果您忘了密码，是否需要通过回答密码提示问题来取回密码？"),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::No) == QMessageBox::Yes;
    QString reply;
    if (wanted && ShowGetPwdForm(QString::fromStdString(question), reply)) {
        if (RecoveryAnswerMatches(reply, answer)) {
            std::string password;
            DbFileMgr.GetPwdByAnswer(FileName, answer, password);
            QString shown = QString::fromStdString(password);
            WipeString(password);
            QString message = QStringLiteral("您的密码是：“%1”。\r请牢记密码，或者将它保存在一个可靠的地方。").arg(shown);
            WipeQString(shown);
            ShowInformation(MessageOwner(), message);
            WipeQString(message);
        } else {
            ShowWarning(MessageOwner(), QStringLiteral("对不起，您回答的密码提示问题的答案不正确。"));
        }
    }
    WipeQString(reply);
    WipeString(answer);
}

} // namespace

bool RecoveryAnswerMatches(const QString& Reply, const std::string& StoredAnswer)
{
    char field[sizeof(TDBKeyData::PwdAnswer)] = {};
    QByteArray utf8 = Reply.toUtf8();
    StrToAnsiField(field, sizeof(field), std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    SecureZero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    std::string stored = AnsiFieldToStr(field, sizeof(field));
    SecureZero(field, sizeof(field));
    const bool match = stored == StoredAnswer;
    WipeString(stored);
    return match;
}

bool OpenPasswordBox(const QString& FileName, const QString& Password)
{
    if (FileName.isEmpty())
        return false;
    const std::string fileName = FileName.toStdString();
    // The open box's path may name another file by now (replaced under the program): that one
    // is not open here.
    if (!DbFileMgr.FileName().empty() && DbFileMgr.FileFate() == ffSame &&
        IsSameFile(GetFullPath(fileName), DbFileMgr.FileName())) {
        ShowInformation(MessageOwner(), QStringLiteral("此文件已打开。"));
        return false;
    }
    if (IsFileOpenedElsewhere(fileName)) {
        ShowInformation(MessageOwner(), QStringLiteral("此文件在另一程序中已打开。"));
        return false;
    }
    DbFileMgr.CloseDatabase();
    if (!CheckBoxFile(fileName))
        return false;

    QByteArray utf8 = Password.toUtf8();
    std::string password(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    SecureZero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    bool opened = false;
    try {
        if (DbFileMgr.CheckPassword(fileName, password))
            opened = OpenCheckedBox(fileName, password);
        else
            OfferRecovery(fileName);
    } catch (...) {
        WipeString(password);
        throw;
    }
    WipeString(password);
    return opened;
}
