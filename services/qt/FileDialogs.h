// The file-open and file-save dialogs of the program go through these functions, so that tests
// can answer them through a handler instead of a window (as with message boxes).
#pragma once

#include <QString>

#include <functional>

class QWidget;

enum TFileDialogKind { fdOpen, fdSave };

struct TFileDialogRequest {
    TFileDialogKind Kind = fdOpen;
    QWidget* Parent = nullptr;
    QString Title;
    QString Filter;   // Qt's form: "Name (*.ext)", several separated by ";;"
    QString FileName; // proposed name or start folder
};

// Answers a file dialog in place of the user: true with FileName set, false for cancel.
using TFileDialogHandler = std::function<bool(const TFileDialogRequest& Request, QString& FileName)>;

// An existing file; FileName proposes where to start. True with FileName set to the choice;
// false on cancel, FileName unchanged. Raises nothing.
bool ChooseOpenFile(QWidget* Parent, const QString& Title, const QString& Filter, QString& FileName);
// A file to write, asking before an existing one is replaced; FileName proposes the name.
// True with FileName set; false on cancel, FileName unchanged. Raises nothing.
bool ChooseSaveFile(QWidget* Parent, const QString& Title, const QString& Filter, QString& FileName);

// Installs the handler that answers every file dialog from now on (none: dialogs are shown
// again) and returns the one it replaces.
TFileDialogHandler SetFileDialogHandler(TFileDialogHandler Handler);
