// The general-entry editor: a title, free text and the attached files. Attachments are edited in
// the caller's TAttachList only; nothing reaches the password box until the main window stores
// the entry (add mode) or applies the edited list after OK (modify mode, TAttachList::ApplyToDb).
#pragma once

#include "boxdata/ZembraTypes.h"
#include "ui/dialogs/ItemBaseFrm.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class TAttachList;

class TCommItemForm : public TItemBaseForm {
    Q_OBJECT
public:
    explicit TCommItemForm(QWidget* Parent = nullptr);

    // Mode, title and text (empty in add mode) and the list to edit, borrowed for the editor's
    // lifetime. The attachment view shows the list and is hidden while it is empty.
    void SetData(bool NewMode, const TZmbCommItem& Item, TAttachList& AttachList);
    // Title and text into Item; nothing else.
    void GetData(TZmbCommItem& Item) const;

    // Adds the file as a new attachment and shows it selected. Raises EFileError when the file
    // cannot be read; the list is then unchanged.
    void AddAttachFile(const QString& FileName);
    // Writes the attachment at Index to FileName, creating or replacing it; Private makes a copy
    // readable by the user only. Raises EFileError when it cannot be written.
    void SaveAttachToFile(int Index, const QString& FileName, bool Private);
    // The attachment at Index as a file name that stays inside a folder: its last component, or
    // "附件" when nothing usable is left.
    QString SafeAttachName(int Index);

    QListWidget* AttachListView;
    QMenu* AttachPopupMenu;

protected:
    bool CheckInput() override;
    bool StoreNewItem() override;
    void ResetForNextItem() override;

private:
    void AddAttachButtonClick();
    void OpenAttachItemClick();
    void SaveAttachItemClick();
    void DeleteAttachItemClick();
    void RenameAttachItemClick();
    void AttachListViewEdited(QListWidgetItem* Row);
    void FillAttachListView();
    void AddAttachListItem(int32_t ID, const QString& Name);
    void ShowAttachList(bool Value);
    // The selected row, or -1.
    int SelectedRow() const;
    // Runs Action; an error is shown by the general error display and ends only Action.
    template <typename TAction>
    void Guarded(TAction Action);

    QLineEdit* CaptionEdit;
    QPlainTextEdit* CommentsMemo;
    QSplitter* Splitter;
    QPushButton* AddAttachButton;
    int32_t FOwnerID = 0;
    TAttachList* FAttachList = nullptr;
};

// Runs the editor on Item and AttachList and afterwards always writes title and text back into
// Item. True only when modify mode ended with OK (the caller then applies Item and the list);
// add mode stores through the main window and answers false. Raises nothing of its own.
bool ShowCommItemForm(bool NewMode, TZmbCommItem& Item, TAttachList& AttachList);
