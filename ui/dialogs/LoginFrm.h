// The login dialog: chooses a password-box file, takes its login password and opens it. It is
// the way in at start-up and the main window's open command.
#pragma once

#include "app/BaseFrm.h"

class QLineEdit;
class QPushButton;
class TSecretEdit;
class TSvgImage;

class TLoginForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TLoginForm(QWidget* Parent = nullptr);

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // The proposed file: the first program argument, else by the option "AutoOpenMode".
    void ProposeFile();
    void BrowseButtonClick();
    void NewFileButtonClick();
    void OkButtonClick();
    // Black (the normal text colour) for an existing file, gray for a name that names none.
    void FileNameEditChange();
    // False after its message when no file is chosen.
    bool CheckFileName();
    void AlignBrowseButton();

    TSvgImage* BannerImage;
    TSvgImage* LogoImage;
    QLineEdit* FileNameEdit;
    QPushButton* BrowseButton;
    TSecretEdit* PasswordEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* NewFileButton;
};

// Runs the login dialog. True when it opened a password box (now the open box of DbFileMgr).
// When it is cancelled after a failed attempt closed the box that was open before, that box is
// opened again (raises what re-opening raises).
bool ShowLoginForm();
