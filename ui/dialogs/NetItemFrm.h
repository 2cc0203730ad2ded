// The web-account editor: title, user name, password (shown in plain text, with its strength),
// link, e-mail address and comments, with buttons to copy each, generate a password, open the
// link and write a mail.
#pragma once

#include "boxdata/ZembraTypes.h"
#include "ui/dialogs/ItemBaseFrm.h"

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class TPwdStrengthBar;
class TSecretEdit;

class TNetItemForm : public TItemBaseForm {
    Q_OBJECT
public:
    explicit TNetItemForm(QWidget* Parent = nullptr);

    // Add mode shows empty fields whatever Item holds; modify mode shows Item.
    void SetData(bool NewMode, const TZmbNetItem& Item);
    // The six edited texts into Item; its id, folder, sort code and deletion mark stay.
    void GetData(TZmbNetItem& Item) const;

protected:
    void AdjustLayout() override;
    bool CheckInput() override;
    bool StoreNewItem() override;
    void ResetForNextItem() override;

private:
    void GenPwdButtonClick();
    void GotoHyperlinkButtonClick();
    void GotoEmailButtonClick();

    QGroupBox* BaseInfoGroupBox;
    QLineEdit* CaptionEdit;
    QLineEdit* UserNameEdit;
    TSecretEdit* PasswordEdit;
    QLineEdit* HyperlinkEdit;
    QLineEdit* EmailEdit;
    QPlainTextEdit* CommentsMemo;
    QToolButton* CopyUserNameButton;
    QToolButton* CopyPwdButton;
    QToolButton* GenPwdButton;
    QToolButton* CopyHyperlinkButton;
    QToolButton* GotoHyperlinkButton;
    QToolButton* CopyEmailButton;
    QToolButton* GotoEmailButton;
    TPwdStrengthBar* PwdStrengthBar;
};

// Runs the editor on Item and afterwards always writes the edited texts back into Item (also
// after Cancel, so the caller must not use Item after false). True only when modify mode ended
// with OK; add mode stores through the main window and answers false. Raises nothing of its own.
bool ShowNetItemForm(bool NewMode, TZmbNetItem& Item);
