// The application object: the general error display for errors no command caught, the main
// window once it exists, the program's arguments and the request to end the program.
#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include <exception>

// The general error display: the error's text in a message box with the application title and
// the stop icon. A silent abort (EAbort) shows nothing.
void ShowException(const std::exception& Error);

// Every event goes through notify: an error that a command did not catch ends that command, is
// shown by the general error display, and the program goes on.
class TZembrixApplication : public QApplication {
public:
    TZembrixApplication(int& argc, char** argv);
    bool notify(QObject* Receiver, QEvent* Event) override;

    // Runs the main event loop until the program is asked to end.
    int Run();
    bool Running() const { return FRunning; }

private:
    bool FRunning = false;
};

// The main window while it exists (null before the login succeeded and after it closed):
// dialogs shown without it are top-level windows with their own taskbar button.
QWidget* MainFormWindow();
void SetMainFormWindow(QWidget* Window);

// The arguments the program was started with, without the program itself.
void SetStartArguments(const QStringList& Arguments);
// The first argument (the proposed password-box file), or "" when there was none.
QString StartFileArgument();

// Asks the program to end: the running event loops end and the start sequence shows nothing
// more. Without a running main loop (tests) only the request is recorded.
void TerminateApplication();
bool ApplicationTerminated();
