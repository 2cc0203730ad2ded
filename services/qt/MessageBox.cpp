#include "services/qt/MessageBox.h"

#include "services/Global.h"

#include <QPushButton>

namespace {

TMessageBoxHandler& Handler()
{
    static TMessageBoxHandler handler;
    return handler;
}

QMessageBox::StandardButton Show(const TMessageBoxRequest& Request)
{
    if (Handler())
        return Handler()(Request);
    // Message texts mark their line breaks with "\r"; the box breaks lines at "\n".
    QString shown = Request.Text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(Request.Icon, Request.Caption, shown, Request.Buttons, Request.Parent);
    for (const auto& [button, text] : Request.ButtonTexts)
        if (QAbstractButton* shownButton = box.button(button))
            shownButton->setText(text);
    if (Request.DefaultButton != QMessageBox::NoButton)
        box.setDefaultButton(Request.DefaultButton);
    const int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

} // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, const QString& Text, QMessageBox::Icon Icon,
                                           QMessageBox::StandardButtons Buttons,
                                           QMessageBox::StandardButton DefaultButton)
{
    return Show(TMessageBoxRequest{Parent, QString::fromUtf8(kAppTitle), Text, Icon, Buttons, DefaultButton, {}});
}

QMessageBox::StandardButton ShowChoiceBox(QWidget* Parent, const QString& Text, QMessageBox::Icon Icon,
                                          const QList<QPair<QMessageBox::StandardButton, QString>>& Choices,
                                          QMessageBox::StandardButton DefaultButton)
{
    QMessageBox::StandardButtons buttons;
    for (const auto& choice : Choices)
        buttons |= choice.first;
    return Show(TMessageBoxRequest{Parent, QString::fromUtf8(kAppTitle), Text, Icon, buttons, DefaultButton, Choices});
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
