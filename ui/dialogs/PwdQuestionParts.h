// What the new-box and change-password dialogs share around the login password and the
// recovery question: the suggested questions, the check box that switches the question on, and
// the checks of the typed input. Each check shows its warning and moves the focus on failure.
#pragma once

#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;
class TSecretEdit;
class TYarroBalloonHint;

// "你姐姐叫什么名字？" and the five that follow it in the new-box dialog.
const QStringList& PwdQuestionSuggestions();

// The recovery-question fields inside their group.
struct TPwdQuestionFields {
    QCheckBox* UsePwdQuesCheckBox; // "需要密码提示问题，以防遗忘密码", as wide as its caption (the balloon points there)
    QComboBox* QuestionComboBox;   // editable, starts empty, the first SuggestionCount suggestions
    TSecretEdit* AnswerEdit;       // not masked, at most 256 characters
};
// Lays the three out in Group: the check box above the question and the answer.
TPwdQuestionFields NewPwdQuestionFields(QWidget* Group, int SuggestionCount);

// The balloon's time at the check box, in milliseconds.
inline constexpr int kPwdQuesBalloonTime = 5000;

// UsePwdQuesCheckBoxClick: question and answer usable only while CheckBox is checked; checking
// warns in a balloon at CheckBox that a question weakens the box, unchecking hides the balloon.
void ApplyUsePwdQues(QCheckBox* CheckBox, QComboBox* Question, QLineEdit* Answer, TYarroBalloonHint* Balloon);

// Password and confirmation equal (exact): else "两次输入的密码必须一致。", focus on Password.
bool CheckPasswordsMatch(QLineEdit* Password, QLineEdit* Confirm);
// A question, then an answer: else the warning for the empty one, focus on it.
bool CheckPwdQuestionInput(QComboBox* Question, QLineEdit* Answer);
