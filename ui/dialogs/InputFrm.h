// The one-line input dialog: a prompt and an edit, optionally masked. It checks nothing.
#pragma once

#include "app/BaseFrm.h"

class QLabel;
class QPushButton;
class TSecretEdit;

class TInputForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TInputForm(QWidget* Parent = nullptr);

    void SetPrompt(const QString& Prompt);
    // Shows every character as "*".
    void SetPasswordMode(bool Value);
    void SetData(const QString& Value);
    void GetData(QString& Value) const;

private:
    QLabel* PromptLabel;
    TSecretEdit* ValueEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// Runs the dialog with Caption, Prompt and Value in the edit. True on OK with Value set to the
// edit's text (empty allowed); false on cancel, Value unchanged. Raises nothing of its own.
bool ShowInputForm(const QString& Caption, const QString& Prompt, QString& Value, bool PasswordMode);
