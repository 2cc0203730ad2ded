#include "services/qt/MessageBox.h"

#include "services/Global.h"

#include <QPushButton>

namespace {

TMessageBoxHandler& Handler()
{
    static TMessageBoxHandler handler;
    return handler;
}

} // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, const QString& Text, QMessageBox::Icon Icon,
                                           QMessageBox::StandardButtons Buttons,
                                           QMessageBox::StandardButton DefaultButton)
{
    TMessageBoxRequest request{Parent, QString::fromUtf8(kAppTitle), Text, Icon, Buttons, DefaultButton};
    if (Handler())
        return Handler()(request);
    // Message texts mark their line breaks with "\r"; the box breaks lines at "\n".
    QString shown = Text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(Icon, request.Caption, shown, Buttons, Parent);
    if (DefaultButton != QMessageBox::NoButton)
        box.setDefaultButton(DefaultButton);
    const int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

void ShowInformation(QWidget* Parent, const QString& Text)
{
    ShowMessageBox(Parent, Text, QMessageBox::Information);
}

void ShowWarning(QWidget* Parent, const QString& Text)
{
    ShowMessageBox(Parent, Text, QMessageBox::Warning);
}

void ShowError(QWidget* Parent, const QString& Text)
{
    ShowMessageBox(Parent, Text, QMessageBox::Critical);
}

bool AskConfirmation(QWidget* Parent, const QString& Text)
{
    return ShowMessageBox(Parent, Text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No) == QMessageBox::Yes;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler_)
{
    TMessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(Handler_);
    return previous;
}
