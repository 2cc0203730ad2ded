// The usage notice, shown at start-up until the user switches it off, and from the help menu.
#pragma once

#include "app/BaseFrm.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

class TNoticeForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TNoticeForm(QWidget* Parent = nullptr);

    // The notice text of the program's resources into the memo.
    void LoadNoticeText();
    // Forced (the help menu): no check box, the option stays as it is. Otherwise the box is
    // shown checked and "ShowNotice" is stored as false at once.
    void InitNotShowAgain(bool Forced);

private:
    // "ShowNotice" := not checked, saved to the options file at once.
    void NotShowAgainCheckBoxClick();

    QPlainTextEdit* Memo;
    QCheckBox* NotShowAgainCheckBox;
    QPushButton* OkButton;
};

// The notice's text (UTF-8 resource "NoticeText").
QString NoticeText();

// Shows the notice when Forced or while the option "ShowNotice" is on. Raises what reading or
// saving the option raises.
void ShowNoticeForm(bool Forced);
