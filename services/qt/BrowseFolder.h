// The folder picker.
#pragma once

#include <QString>

class QWidget;

// Lets the user choose an existing folder, starting at Folder, while the program's other
// windows wait. With Root, the dialog starts there when Folder is not inside it and does not
// let the user leave it. True with Folder set to the choice; false on cancel, Folder unchanged.
bool BrowseForFolder(QWidget* Owner, const QString& Title, const QString& Root, QString& Folder);
