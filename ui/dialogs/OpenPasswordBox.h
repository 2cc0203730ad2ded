// The one routine that opens a password box for the whole program: the login dialog and the
// main window's new-box command use it. It shows every message of the way itself.
#pragma once

#include <QString>

// True when FileName is now the open box of DbFileMgr, opened with Password. False (after its
// message) when the file is already open here or in another copy of the program, is missing,
// is not a password box, is damaged, or the password is wrong; from the point where the file
// itself is checked, the box that was open before is closed. A wrong password offers the
// recovery question when the box has one, and a right answer shows the password without
// opening the file. An empty FileName answers false silently. Errors while reading the
// recovery question pass on to the caller.
bool OpenPasswordBox(const QString& FileName, const QString& Password);

// How a reply to the recovery question is compared: as the box would store it (code page 936,
// cut to the width of its field), so an answer longer than the box keeps still matches.
bool RecoveryAnswerMatches(const QString& Reply, const std::string& StoredAnswer);
