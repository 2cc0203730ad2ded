#include "services/qt/ShellLaunch.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

bool OpenDocument(const QString& Target)
{
    const QString target = Target.trimmed();
    if (target.isEmpty())
        return false;
    const QUrl url = QUrl::fromUserInput(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

QString MailTarget(const QString& Address)
{
    const QString address = Address.trimmed();
    static const QString prefix = QStringLiteral("mailto:");
    return address.startsWith(prefix, Qt::CaseSensitive) ? address : prefix + address;
}

bool SendMail(const QString& Address)
{
    return OpenDocument(MailTarget(Address));
}

bool RunProgram(const QString& FileName, const QString& Parameters, const QString& Directory)
{
    if (FileName.isEmpty())
        return false;
    const QFileInfo info(Directory.isEmpty() ? QDir::current() : QDir(Directory), FileName);
    if (!info.exists())
        return false;
    if (info.isFile() && info.isExecutable())
        return QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(Parameters),
                                       Directory.isEmpty() ? info.absolutePath() : Directory);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}
