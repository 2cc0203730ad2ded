#include "app/Application.h"

#include "boxdata/DbFileMgr.h"
#include "services/Abort.h"
#include "services/qt/MessageBox.h"
#include "storage/NorkError.h"

namespace {

QWidget* MainForm = nullptr;
QStringList StartArguments;
bool Terminated = false;

} // namespace

void ShowException(const std::exception& Error)
{
    if (dynamic_cast<const EAbort*>(&Error) != nullptr)
        return;
    if (const auto* lost = dynamic_cast<const ENorkFileReplaced*>(&Error)) {
        // The window offers its ways out of this itself; here the user learns that the change
        // was not stored.
        const QString box = QString::fromStdString(DbFileMgr.FileName());
        ShowError(QApplication::activeWindow(),
                  lost->Fate() == ffReplaced
                      ? QStringLiteral("无法保存修改：密码箱文件“%1”已被其他程序替换为另一个文件。").arg(box)
                      : QStringLiteral("无法保存修改：密码箱文件“%1”已被移动或删除。").arg(box));
        return;
    }
    ShowError(QApplication::activeWindow(), QString::fromUtf8(Error.what()));
}

TZembrixApplication::TZembrixApplication(int& argc, char** argv) : QApplication(argc, argv)
{
}

bool TZembrixApplication::notify(QObject* Receiver, QEvent* Event)
{
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return false;
}

int TZembrixApplication::Run()
{
    if (Terminated)
        return 0;
    FRunning = true;
    const int result = exec();
    FRunning = false;
    return result;
}

QWidget* MainFormWindow()
{
    return MainForm;
}

void SetMainFormWindow(QWidget* Window)
{
    MainForm = Window;
}

void SetStartArguments(const QStringList& Arguments)
{
    StartArguments = Arguments;
}

QString StartFileArgument()
{
    return StartArguments.isEmpty() ? QString() : StartArguments.first();
}

void TerminateApplication()
{
    Terminated = true;
    auto* app = dynamic_cast<TZembrixApplication*>(QCoreApplication::instance());
    if (app != nullptr && app->Running())
        QCoreApplication::exit(0);
}

bool ApplicationTerminated()
{
    return Terminated;
}
