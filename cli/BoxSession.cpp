#include "cli/BoxSession.h"

#include "boxdata/BoxScan.h"
#include "cli/CliError.h"
#include "cli/PasswordInput.h"
#include "cli/SignalHold.h"
#include "dataproc/FilePaths.h"
#include "dataproc/UpdateBracket.h"
#include "storage/NorkError.h"

#include <iostream>
#include <sys/stat.h>

namespace {

struct THeldBox {
    std::string FileName;
    TSecretString Password;
    bool Held = false;
};
THeldBox GHeld;

} // namespace

void HoldSessionBox(const std::string& FileName, const TSecretString& Password)
{
    GHeld.FileName = FileName;
    GHeld.Password = Password;
    GHeld.Held = true;
}

void ReleaseSessionBox()
{
    GHeld.Password = TSecretString();
    GHeld.Held = false;
}

const TSecretString* HeldSessionPassword(const std::string& FileName)
{
    return GHeld.Held && FileName == GHeld.FileName ? &GHeld.Password : nullptr;
}

void CheckBoxPath(const std::string& FileName)
{
    struct stat st {};
    if (::stat(FileName.c_str(), &st) != 0)
        RaiseFileError(ecFileFault, FileName, "no such file");
    if (!S_ISREG(st.st_mode))
        RaiseFileError(ecFileFault, FileName, "not a password box (not a regular file)");
    // A session's own announcement does not count: its commands run on the box it holds.
    if (!(GHeld.Held && FileName == GHeld.FileName) && IsFileOpenedElsewhere(FileName))
        RaiseFileError(ecFileFault, FileName,
                       "the box is open in another Zembrix program (the desktop program or zembrix-cli); close it there first");
}

void CheckBoxFile(const std::string& FileName)
{
    CheckBoxPath(FileName);
    bool valid = false;
    try {
        valid = DbFileMgr.IsValidFile(FileName);
    } catch (const std::exception& e) {
        RaiseFileError(ecFileFault, FileName,
                       std::string("not a password box or damaged: ") + e.what() + kDamageHint);
    }
    if (!valid)
        RaiseFileError(ecFileFault, FileName, "not a password box");
}

TSecretString ReadPasswordLine(const std::string& FileName)
{
    if (const TSecretString* held = HeldSessionPassword(FileName))
        return *held;
    std::optional<TSecretString> typed = ReadSecretLine("Password for " + FileName + ": ");
    if (typed)
        return std::move(*typed);
    // An ended input is no password typed, not a wrong one; a box without a password still
    // opens (its check takes any text).
    bool needsPassword = true;
    try {
        needsPassword = DbFileMgr.GetCheckPassword(FileName);
    } catch (const std::exception&) {
    }
    if (needsPassword && StdinIsTerminal())
        std::cerr << '\n'; // Ctrl-D left the cursor after the prompt
    if (needsPassword)
        RaiseUsage(FileName + ": no password given (standard input has ended)");
    return TSecretString();
}

void RaiseWrongPassword(const std::string& FileName)
{
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

TSecretString ReadLoginPassword(const std::string& FileName)
{
    TSecretString password = ReadPasswordLine(FileName);
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
        RaiseFileError(ecFileFault, FileName, "the box cannot be opened, it may be damaged: " + reason + kDamageHint);
    }
    RaiseWrongPassword(FileName);
}

void ScanBoxFile(const std::string& FileName, const std::function<void()>& Body)
{
    try {
        Body();
    } catch (const EWrongPassword&) {
        RaiseWrongPassword(FileName);
    } catch (const ENorkError& e) {
        RaiseFileError(ecFileFault, FileName, std::string("not a password box: ") + e.what());
    }
}

std::vector<std::string> VerifyBox(const std::string& FileName, const TSecretString& Password)
{
    std::vector<std::string> problems;
    ScanBoxFile(FileName, [&] { problems = DbFileMgr.Verify(FileName, Password); });
    return problems;
}

TBoxSession::TBoxSession(const std::string& FileName, TOpenPurpose Purpose) : FFileName(FileName)
{
    Open(Purpose, nullptr);
}

TBoxSession::TBoxSession(const std::string& FileName, TOpenPurpose Purpose, const TSecretString& Password)
    : FFileName(FileName)
{
    Open(Purpose, &Password);
}

void TBoxSession::Open(TOpenPurpose Purpose, const TSecretString* Password)
{
    const std::string& FileName = FFileName;
    CheckBoxFile(FileName);
    if (Purpose == opWrite && IsFileReadOnly(FileName))
        RaiseFileError(ecFileFault, FileName, "the file is read-only");
    if (Password == nullptr)
        FPassword = ReadLoginPassword(FileName);
    else if (DbFileMgr.CheckPassword(FileName, *Password))
        FPassword = *Password;
    else
        RaiseWrongPassword(FileName);
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
        RaiseFileError(ecFileFault, FileName,
                       std::string("the box cannot be opened, it may be damaged: ") + e.what() + kDamageHint);
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
