// The bank-account editor: bank, account type, holder, account or card number, password (shown
// in plain text, with its strength) and comments, with buttons to copy the holder, the account
// (as typed or without spaces) and the password.
#pragma once

#include "boxdata/ZembraTypes.h"
#include "ui/dialogs/ItemBaseFrm.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class TPwdStrengthBar;
class TSecretEdit;

class TBankItemForm : public TItemBaseForm {
    Q_OBJECT
public:
    explicit TBankItemForm(QWidget* Parent = nullptr);

    // Add mode shows empty fields whatever Item holds; modify mode shows Item.
    void SetData(bool NewMode, const TZmbBankItem& Item);
    // The six edited texts into Item; its id, folder, sort code and deletion mark stay.
    void GetData(TZmbBankItem& Item) const;

    // The account types offered, in order; any other text may be typed.
    static const QStringList& AccountTypes();

protected:
    void AdjustLayout() override;
    bool CheckInput() override;
    bool StoreNewItem() override;
    void ResetForNextItem() override;

private:
    void CopyAccountButtonClick();

    QGroupBox* BaseInfoGroupBox;
    QLineEdit* BankNameEdit;
    QComboBox* AccTypeComboBox;
    QLineEdit* UserNameEdit;
    QLineEdit* AccountEdit;
    TSecretEdit* PasswordEdit;
    QPlainTextEdit* CommentsMemo;
    QToolButton* CopyUserNameButton;
    QToolButton* CopyAccountButton;
    QToolButton* CopyPwdButton;
    QMenu* AccCopyPopupMenu;
    TPwdStrengthBar* PwdStrengthBar;
};

// As ShowNetItemForm, for bank accounts.
bool ShowBankItemForm(bool NewMode, TZmbBankItem& Item);
