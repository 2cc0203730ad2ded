// The forgotten-password dialog: shows a box's recovery question and takes the user's answer.
// It checks nothing; the open path compares the answer.
#pragma once

#include "app/BaseFrm.h"

class QLineEdit;
class QPushButton;
class TSecretEdit;

class TGetPwdForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TGetPwdForm(QWidget* Parent = nullptr);

    void SetData(const QString& Question);
    // The answer exactly as typed, blanks included.
    QString GetData() const;

private:
    QLineEdit* QuestionEdit;
    TSecretEdit* AnswerEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// Shows Question and runs the dialog. True on OK with Answer set (empty when nothing was typed);
// false on cancel, Answer untouched. Raises nothing of its own.
bool ShowGetPwdForm(const QString& Question, QString& Answer);
