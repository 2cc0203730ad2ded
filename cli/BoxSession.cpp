#include "cli/BoxSession.h"

#include "cli/CliError.h"
#include "cli/PasswordInput.h"
#include "cli/SignalHold.h"
#include "dataproc/FilePaths.h"
#include "dataproc/UpdateBracket.h"

#include <iostream>
#include <sys/stat.h>

void CheckBoxFile(const std::string& FileName)
{
    struct stat st {};
    if (::stat(FileName.c_str(), &st) != 0)
        RaiseFileError(ecFileFault, FileName, "no such file");
    if (!S_ISREG(st.st_mode))
        RaiseFileError(ecFileFault, FileName, "not a password box (not a regular file)");
    if (IsFileOpenedElsewhere(FileName))
        RaiseFileError(ecFileFault, FileName,
                       "the box is open in another Zembrix program (the desktop program or zembrix-cli); close it there first");
    bool valid = false;
    try {
        valid = DbFileMgr.IsValidFile(FileName);
    } catch (const std::exception& e) {
        RaiseFileError(ecFileFault, FileName, std::string("not a password box or damaged: ") + e.what());
    }
    if (!valid)
        RaiseFileError(ecFileFault, FileName, "not a password box");
}

TSecretString ReadLoginPassword(const std::string& FileName)
{
    std::optional<TSecretString> typed = ReadSecretLine("Password for " + FileName + ": ");
    TSecretString password = typed ? std::move(*typed) : TSecretString();
    if (DbFileMgr.CheckPassword(FileName, password))
        return password;
    // CheckPassword answers false for any error too. A box that cannot even be opened with the
    // empty password to see whether it needs one is damaged, whatever was typed.
    if (!DbFileMgr.GetCheckPassword(FileName)) {
        std::string reason = "its head cannot be read";
        try {
            DbFileMgr.OpenDatabase(FileName, password);
        } catch (const std::exception& e) {
            reason = e.what();
        }
        DbFileMgr.CloseDatabase();
        RaiseFileError(ecFileFault, FileName, "the box cannot be opened, it may be damaged: " + reason);
    }
    std::string question, answer;
    bool hasQuestion = false;
    try {
        hasQuestion = DbFileMgr.GetPwdQuestion(FileName, question, answer);
    } catch (const std::exception&) {
        // The wrong password is the message; a failure here only loses the hint.
    }
    RaiseFileError(ecRejected, FileName,
                   hasQuestion ? "wrong password (a recovery question is set: zembrix-cli recover " + FileName + ")"
                               : "wrong password");
}

TBoxSession::TBoxSession(const std::string& FileName, TOpenPurpose Purpose) : FFileName(FileName)
{
    CheckBoxFile(FileName);
    if (Purpose == opWrite && IsFileReadOnly(FileName))
        RaiseFileError(ecFileFault, FileName, "the file is read-only");
    FPassword = ReadLoginPassword(FileName);
    if (!FMarker.Announce(FileName))
        std::cerr << "zembrix-cli: warning: cannot announce the open box in " << OpenFileLockFolder()
                  << "; the desktop program will not see that it is in use\n";
    try {
        DbFileMgr.OpenDatabase(FileName, FPassword);
    } catch (const std::exception& e) {
        try {
            DbFileMgr.CloseDatabase();
        } catch (const std::exception&) {
        }
        RaiseFileError(ecFileFault, FileName, std::string("the box cannot be opened, it may be damaged: ") + e.what());
    }
}

TBoxSession::~TBoxSession()
{
    try {
        DbFileMgr.CloseDatabase();
    } catch (const std::exception& e) {
        std::cerr << "zembrix-cli: " << FFileName << ": error while closing: " << e.what() << '\n';
    }
}

void TBoxSession::Update(const std::function<void()>& Body)
{
    {
        TSignalHold hold;
        TUpdateBracket bracket(DbFileMgr);
        Body();
    }
    RaiseIfInterrupted(FFileName);
}

void TBoxSession::Rewrite(const std::function<void()>& Body)
{
    {
        TSignalHold hold;
        try {
            Body();
        } catch (...) {
            FMarker.Announce(FFileName); // the rebuild may have replaced the file before it failed
            throw;
        }
        FMarker.Announce(FFileName);
    }
    RaiseIfInterrupted(FFileName);
}

std::string BoxCompression(TBoxSession& Session)
{
    return Session.Box().CompressAlgoName();
}
