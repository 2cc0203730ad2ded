// The options dialog: the application options on five pages, written back on OK, after which the
// main window applies them. Three actions take effect at once whatever the outcome: the test of
// the password generator with the page's settings, the folder browser for backups and the
// registration of the password-box file type.
#pragma once

#include "app/BaseFrm.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TOptionsManager;
class TPwdStrengthBar;
class TSecretEdit;

class TOptionsForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* Parent = nullptr);

    // The controls take the options' values; then the enabling rules run. Raises
    // EOptionConvertError for a value its control cannot show.
    void LoadFromOptions(const TOptionsManager& Options);
    // The controls' values into Options; only values that differ mark an option modified.
    void SaveToOptions(TOptionsManager& Options) const;

    QTabWidget* PageControl;

private:
    QWidget* NewGeneralPage();
    QWidget* NewBackupPage();
    QWidget* NewSecurityPage();
    QWidget* NewGenPwdPage();
    QWidget* NewOtherPage();
    // The three browse and test buttons take the top and height of their edits.
    void AlignButtons();
    void UpdateAutoOpenControls();
    void UpdateAutoLockControls();
    void UpdateLenModeControls();
    void AutoOpenBrowseButtonClick();
    void BakFolderBrowseButtonClick();
    void TestGenPwdButtonClick();
    void AssFileButtonClick();
    void OkButtonClick();

    bool event(QEvent* Event) override;

    QRadioButton* AutoOpenThisRadioButton;
    QLineEdit* AutoOpenThisEdit;
    QPushButton* AutoOpenBrowseButton;
    QRadioButton* AutoOpenLastRadioButton;
    QRadioButton* AutoOpenNoneRadioButton;
    QCheckBox* SaveWinSizeCheckBox;
    QCheckBox* EscToMinCheckBox;
    QCheckBox* AutoBackupCheckBox;
    QLineEdit* BackupFolderEdit;
    QPushButton* BakFolderBrowseButton;
    QSpinBox* MaxBakSizeSpinEdit;
    QCheckBox* MinLockCheckBox;
    QCheckBox* MaskPwdCheckBox;
    QCheckBox* ClearClipboardCheckBox;
    QCheckBox* AutoLockCheckBox;
    QSpinBox* AutoLockMinutesSpinEdit;
    QCheckBox* ChrUpperCheckBox;
    QCheckBox* ChrLowerCheckBox;
    QCheckBox* ChrNumCheckBox;
    QCheckBox* ChrSpaceCheckBox;
    QCheckBox* ChrSpecialCheckBox;
    QRadioButton* LenRangeRadioButton;
    QSpinBox* LenRangeMinSpinEdit;
    QSpinBox* LenRangeMaxSpinEdit;
    QRadioButton* LenFixedRadioButton;
    QSpinBox* LenFixedSpinEdit;
    TSecretEdit* TestPwdEdit;
    QPushButton* TestGenPwdButton;
    TPwdStrengthBar* TestPwdStrengthBar;
    QPushButton* AssFileButton;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// Runs the dialog on the application's options. True on OK, after the options were saved to the
// options file and the main window applied them. When saving fails, the general error display
// says why and the dialog stays open. Raises nothing of its own.
bool ShowOptionsForm();
