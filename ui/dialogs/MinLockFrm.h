// The unlock dialog: guards the locked main window until the login password is typed again.
// At most one exists at a time.
#pragma once

#include "app/BaseFrm.h"

class QLineEdit;
class QPushButton;
class TSecretEdit;
class TSvgImage;

class TMinLockForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TMinLockForm(QWidget* Parent = nullptr);

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // The password must equal the open box's, letter case included; a wrong one ends the
    // dialog with the cancel result after its warning (no second try inside the dialog).
    void OkButtonClick();
    // Ends the program: the dialog ends with the cancel result, the program then shuts down.
    void ExitButtonClick();

    TSvgImage* LockImage;
    QLineEdit* FileNameEdit;
    TSecretEdit* PasswordEdit;
    QPushButton* ExitButton;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// The unlock dialog now shown, or null.
TMinLockForm* ActiveMinLockForm();

// True when the user typed the open box's login password. When an unlock dialog is already
// shown, brings it to the front and answers false. Raises nothing of its own.
bool ShowMinLockForm();
