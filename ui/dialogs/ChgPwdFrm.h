// The change-password dialog: the old login password, a new one twice, and optionally a new
// recovery question. It changes nothing itself: its caller applies what it returns.
#pragma once

#include "app/BaseFrm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class TSecretEdit;
class TYarroBalloonHint;

struct TChgPwdFormData {
    QString Password;     // the new login password
    bool ChgPwdQues = false; // the recovery question is to be changed as well
    bool UsePwdQues = false; // a recovery question is in use from now on
    QString PwdQuestion;
    QString PwdAnswer;

    // The password and the answer are overwritten when the record goes.
    ~TChgPwdFormData();
};

class TChgPwdForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TChgPwdForm(QWidget* Parent = nullptr);

    // Takes nothing over: the dialog always starts empty.
    void SetData(const TChgPwdFormData& FormData);
    // Every field as shown, also those of unchecked boxes.
    void GetData(TChgPwdFormData& FormData) const;

    // The window heights (design pixels) with and without the question fields.
    static constexpr int kExpandedHeight = 328;
    static constexpr int kCollapsedHeight = 210;

private:
    void ChgPwdQuesCheckBoxClick();
    void UsePwdQuesCheckBoxClick();
    void OkButtonClick();
    // Stops at the first failure with its warning and the focus on the offending field.
    bool CheckInput();

    TSecretEdit* OldPwdEdit;
    TSecretEdit* PasswordEdit;
    TSecretEdit* ConfirmPwdEdit;
    QCheckBox* ChgPwdQuesCheckBox;
    QGroupBox* PwdQuesGroupBox;
    QCheckBox* UsePwdQuesCheckBox;
    QComboBox* QuestionComboBox;
    TSecretEdit* AnswerEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    TYarroBalloonHint* BalloonHint;
};

// Runs the dialog. True on OK with FormData filled; false on cancel, FormData untouched.
// Raises nothing of its own.
bool ShowChgPwdForm(TChgPwdFormData& FormData);
