// The frame of the three entry editors: a sizeable window with a pin (F6) that keeps the editor
// above other windows while the main window behind it turns invisible, a key that moves the
// window to the next corner of the screen (F7), the bottom row with the pin, OK and Cancel, the
// captions of add and modify mode and the handling of OK shared by all kinds.
//
// Add mode stores each entry through the main window at once and clears the editor for the next;
// modify mode only collects the edited values and closes with OK, and the caller stores them.
#pragma once

#include "app/BaseFrm.h"
#include "ui/dialogs/DialogParts.h"

#include <initializer_list>

class QAction;
class QGridLayout;
class QPlainTextEdit;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QToolButton;

class TItemBaseForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TItemBaseForm(QWidget* Parent = nullptr);

    // Pins (true) or unpins the editor: the main window's stay-on-top follows Value and it turns
    // transparent while pinned; the editor keeps the focus.
    void SetStayOnTop(bool Value);
    // The next corner of the screen: bottom left, bottom right, top left, top right, and round
    // again; a window in no corner goes to the bottom left.
    void MoveToCornerActionExecute();

    bool NewMode() const { return FNewMode; }

    QAction* StayOnTopAction;
    QAction* MoveToCornerAction;

protected:
    // Lays out what Qt's layouts cannot know (button sizes from the edits' heights); runs when
    // the editor is set up and after every change of the screen's dots per inch.
    virtual void AdjustLayout() {}
    // Checks the required fields; on failure says which and focuses it.
    virtual bool CheckInput() = 0;
    // Hands the typed entry to the main window (add mode); true when it was stored.
    virtual bool StoreNewItem() = 0;
    // Empties the editor for the next entry (add mode).
    virtual void ResetForNextItem() = 0;

    // The end of every editor's construction: the pin takes the main window's state, then
    // AdjustLayout.
    void InitItemForm();
    // The captions of the window and of OK and Cancel for the mode, and FNewMode.
    void SetMode(bool NewMode);
    // The row at the bottom: the pin, Extra (when given), the stretch, OK and Cancel.
    QHBoxLayout* NewBottomRow(QWidget* Extra = nullptr);
    // A flat button with a shared picture and a hint.
    QToolButton* NewImageButton(const char* Name, const QString& Image, const QString& Hint);
    // One row of the upper group: the label (the edit's buddy), the edit and the buttons right of it.
    static void AddFieldRow(QGridLayout* Grid, int Row, const QString& Caption, QWidget* Edit,
                            std::initializer_list<QToolButton*> Buttons = {});
    // A multi-line edit for the comments: Tab leaves it, Enter starts a new line.
    QPlainTextEdit* NewCommentsMemo();
    // The web and bank editors' window: Group, the comments below it taking the free space, the
    // bottom row; OK is the default button. Answers the comments edit.
    QPlainTextEdit* LayOutWithComments(QWidget* Group);
    // Button copies Edit's whole text (Secret: marked secret and cleared later) and is enabled
    // exactly while Edit holds text.
    void BindCopyButton(QToolButton* Button, QLineEdit* Edit, bool Secret);
    // Button is enabled exactly while Edit holds text.
    static void EnableWithText(QToolButton* Button, QLineEdit* Edit);
    // Button becomes a square as high as Edit, so that centred in its row it sits on the edit.
    static void FitToEdit(QToolButton* Button, QLineEdit* Edit);
    // CheckInput; then add mode stores and clears, modify mode closes with OK.
    void OkButtonClick();

    void done(int Result) override;
    void changeEvent(QEvent* Event) override;
    bool event(QEvent* Event) override;

    bool FNewMode = false;
    QToolButton* PinButton;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// The run of an editor of the web or bank kind: SetData, the modal run, GetData whatever the
// result; true exactly on OK.
template <typename TForm, typename TItem>
bool RunItemForm(bool NewMode, TItem& Item)
{
    TForm form(DialogOwner());
    form.SetData(NewMode, Item);
    const bool ok = form.exec() == QDialog::Accepted;
    form.GetData(Item);
    return ok;
}
