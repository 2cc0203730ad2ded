#include "app/Application.h"

#include "services/Abort.h"
#include "services/qt/MessageBox.h"

namespace {

QWidget* MainForm = nullptr;
QStringList StartArguments;
bool Terminated = false;

} // namespace

void ShowException(const std::exception& Error)
{
    if (dynamic_cast<const EAbort*>(&Error) != nullptr)
        return;
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
