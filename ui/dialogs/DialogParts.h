// Pieces the dialogs are built from, so that every dialog looks and behaves alike.
#pragma once

#include <QLabel>
#include <QString>

#include <initializer_list>

class QDialog;
class QHBoxLayout;

class QLineEdit;
class QPushButton;
class QWidget;
class TSecretEdit;

// The owner of a dialog shown now: the active modal window, else the main window, else none
// (a top-level window with its own taskbar button).
QWidget* DialogOwner();

// A fixed border: the size follows the dialog's layout and the user cannot change it; a title
// bar with the close box, and a minimize box when asked for.
void SetFixedDialogBorder(QDialog* Dialog, bool MinimizeBox = false);

// A push button with its object name (the control's name) and caption.
QPushButton* NewButton(QWidget* Parent, const char* Name, const QString& Caption);

// An edit for a secret with its object name; MaxLength 0 sets no limit.
TSecretEdit* NewSecretEdit(QWidget* Parent, const char* Name, int MaxLength = 0, bool Masked = true);

// The row of OK ("确定", the default button) and Cancel ("取消", which rejects Dialog) at the right;
// the caller connects OK. Buttons on the left go in front of the row's stretch (index 0).
QHBoxLayout* NewOkCancelRow(QDialog* Dialog, QPushButton*& OkButton, QPushButton*& CancelButton);

// A read-only edit drawn in the dialog's own colour, so it does not look like an input field.
void DrawInDialogColour(QLineEdit* Edit);

// The "..." button takes the top and the height of its edit (AlignBrowseButton).
void AlignBrowseButton(QPushButton* Button, QLineEdit* Edit);

// The focus moves through Widgets in this order with Tab.
void SetTabOrder(std::initializer_list<QWidget*> Widgets);

// A label for Buddy: Alt with the label's marked letter moves there.
QLabel* NewLabel(QWidget* Parent, const QString& Caption, QWidget* Buddy = nullptr);
