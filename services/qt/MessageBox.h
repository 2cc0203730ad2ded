// Every message box of the program goes through ShowMessageBox: it always carries the
// application title as caption, and tests can answer it through a handler instead of a window.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

struct TMessageBoxRequest {
    QWidget* Parent = nullptr;
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
    // Captions in place of the standard ones, for boxes that offer choices (ShowChoiceBox).
    QList<QPair<QMessageBox::StandardButton, QString>> ButtonTexts;
};

// Answers a message box in place of the user.
using TMessageBoxHandler = std::function<QMessageBox::StandardButton(const TMessageBoxRequest&)>;

// Shows a modal message box with the application title and answers the button chosen
// (the escape button when it was closed otherwise). A "\r" in Text breaks the line.
QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, const QString& Text, QMessageBox::Icon Icon,
                                           QMessageBox::StandardButtons Buttons = QMessageBox::Ok,
                                           QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton);

// A box that offers Choices, each a standard button with a caption of its own (laid out in the
// platform's order of buttons); answers the button chosen (the escape button when it was closed
// otherwise).
QMessageBox::StandardButton ShowChoiceBox(QWidget* Parent, const QString& Text, QMessageBox::Icon Icon,
                                          const QList<QPair<QMessageBox::StandardButton, QString>>& Choices,
                                          QMessageBox::StandardButton DefaultButton);

// Notices and success: information icon, OK.
void ShowInformation(QWidget* Parent, const QString& Text);
// Refused input: warning icon, OK.
void ShowWarning(QWidget* Parent, const QString& Text);
// Errors and damaged files: the stop icon, OK.
void ShowError(QWidget* Parent, const QString& Text);
// Confirmation with Yes and No, No being the default; true for Yes.
bool AskConfirmation(QWidget* Parent, const QString& Text);

// Installs the handler that answers every message box from now on (none: boxes are shown
// again) and returns the one it replaces.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler);
