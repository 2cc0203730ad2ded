// zembrix: the desktop program. Start: the process-wide objects, the data module (options), the
// usage notice, the login; the main window only after a box was opened. Stop: the main window,
// the data module (saves the options), the process-wide objects, in the reverse order.
#include "app/AppObjects.h"
#include "app/Application.h"
#include "app/SysDM.h"
#include "app/TestDriver.h"
#include "ui/dialogs/LoginFrm.h"
#include "ui/dialogs/NoticeFrm.h"
#include "ui/main/MainFrm.h"

#include <functional>
#include <memory>

namespace {

// Runs one step of the start sequence; an error is shown by the general error display.
template <typename TResult>
TResult Guarded(const std::function<TResult()>& Step, TResult Failed)
{
    try {
        return Step();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return Failed;
}

} // namespace

int main(int argc, char** argv)
{
    TZembrixApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zembrix"));
    QApplication::setDesktopFileName(QStringLiteral("zembrix"));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    SetStartArguments(arguments);
    InstallTestDriver();

    TProcessObjects objects;
    std::unique_ptr<TSysDataModule> dataModule;
    if (!Guarded<bool>([&] { dataModule = std::make_unique<TSysDataModule>(); return true; }, false))
        return 1;
    QApplication::setWindowIcon(SharedImages().Icon(QStringLiteral("AppIcon")));

    Guarded<bool>([] { ShowNoticeForm(false); return true; }, false);
    if (ApplicationTerminated() || !Guarded<bool>([] { return ShowLoginForm(); }, false))
        return 0;

    std::unique_ptr<TMainForm> mainForm;
    if (!Guarded<bool>([&] { mainForm = std::make_unique<TMainForm>(); return true; }, false))
        return 1;
    mainForm->show();
    const int result = app.Run();
    mainForm.reset();
    return result;
}
