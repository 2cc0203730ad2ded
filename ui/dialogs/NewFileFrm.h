// The new password-box dialog: where the file goes, its login password (twice) and optionally a
// recovery question. It creates the file but does not open it.
#pragma once

#include "app/BaseFrm.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TSecretEdit;
class TYarroBalloonHint;

class TNewFileForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TNewFileForm(QWidget* Parent = nullptr);

    void SetData(const QString& FileName);
    void GetData(QString& FileName, QString& Password) const;

private:
    void BrowseButtonClick();
    void UsePwdQuesCheckBoxClick();
    void OkButtonClick();
    // Stops at the first failure with its message and the focus on the offending field.
    bool CheckInput();

    QLineEdit* FileNameEdit;
    QPushButton* BrowseButton;
    TSecretEdit* PasswordEdit;
    TSecretEdit* ConfirmPwdEdit;
    QCheckBox* UsePwdQuesCheckBox;
    QComboBox* QuestionComboBox;
    TSecretEdit* AnswerEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    TYarroBalloonHint* BalloonHint;
};

// Runs the dialog with FileName proposed. Owner: the login dialog it was opened from (the dialog
// then opens 40 pixels right of and below it), or null (centred on the screen). True when a
// box was created, with FileName and Password set to its name and login password; false
// otherwise, both untouched. Errors of the password box while creating pass on.
bool ShowNewFileForm(QWidget* Owner, QString& FileName, QString& Password);
