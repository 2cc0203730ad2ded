// Handing documents, web addresses and e-mail addresses to the desktop's applications.
// Each answers whether the hand-over succeeded; callers may ignore it.
#pragma once

#include <QString>

// Opens Target (a web address, a mailto: address or a file path) with the desktop's
// application for it. False for an empty or unusable target.
bool OpenDocument(const QString& Target);

// "mailto:" + Address without surrounding blanks, unless it already begins with exactly
// "mailto:" (the comparison minds case).
QString MailTarget(const QString& Address);
// Opens the mail program on MailTarget(Address).
bool SendMail(const QString& Address);

// Starts FileName: an executable is run with Parameters (split like a shell command line) in
// Directory; any other file is opened with its application. A relative FileName is taken
// relative to Directory when one is given. False when it does not exist or cannot be started.
bool RunProgram(const QString& FileName, const QString& Parameters = QString(), const QString& Directory = QString());
