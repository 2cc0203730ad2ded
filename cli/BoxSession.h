// Opening a password box for one command: the file checks, the login password, the open-file
// announcement that keeps the desktop program away while the command runs, and the update
// bracket for writes.
#pragma once

#include "boxdata/DbFileMgr.h"
#include "services/OpenFileLock.h"

#include <functional>
#include <string>
#include <vector>

// The box an interactive session (`open`) holds: announced by the session, its password given
// once. Commands on it take the held password instead of reading one, and do not count the
// session's own announcement as the box being open elsewhere.
void HoldSessionBox(const std::string& FileName, const TSecretString& Password);
// Forgets the held password (wiped); the session is locked or has ended.
void ReleaseSessionBox();
// The held password of FileName; nullptr when no session holds it (or it is locked).
const TSecretString* HeldSessionPassword(const std::string& FileName);

// Raises ECliError with code 3 when FileName is missing, no regular file, or announced as open by
// a running copy (the desktop program or another zembrix-cli). For a box that may be damaged.
void CheckBoxPath(const std::string& FileName);
// CheckBoxPath, and code 3 also when the file is not a password box.
void CheckBoxFile(const std::string& FileName);

// The login password as typed (prompt on a terminal, first line of a pipe), not checked. An
// ended input raises a usage error, unless the box asks for no password (then it is empty).
TSecretString ReadPasswordLine(const std::string& FileName);
// Ends the command with code 1: the password is wrong, and whether recovery is possible.
[[noreturn]] void RaiseWrongPassword(const std::string& FileName);
// Reads the login password and checks it: code 1 when wrong (RaiseWrongPassword), code 3 when
// the box cannot be opened at all.
TSecretString ReadLoginPassword(const std::string& FileName);

// Runs Body, which reads FileName as a box that may be damaged (a check or a salvage), and ends
// the command with code 1 for a wrong password and code 3 when the file is no password box.
void ScanBoxFile(const std::string& FileName, const std::function<void()>& Body);
// The complete check of a box that may be damaged (TDbFileMgr::Verify, through ScanBoxFile), one
// line per problem.
std::vector<std::string> VerifyBox(const std::string& FileName, const TSecretString& Password);

enum TOpenPurpose { opRead, opWrite };

// The box open in DbFileMgr for the life of the object, announced to other copies of the program.
class TBoxSession {
public:
    // Checks the file, reads and checks the password, announces the box and opens it. A write
    // needs a file the user may write.
    TBoxSession(const std::string& FileName, TOpenPurpose Purpose);
    // The same with the password already read (it is still checked).
    TBoxSession(const std::string& FileName, TOpenPurpose Purpose, const TSecretString& Password);
    ~TBoxSession();
    TBoxSession(const TBoxSession&) = delete;
    TBoxSession& operator=(const TBoxSession&) = delete;

    TDbFileMgr& Box() { return DbFileMgr; }
    // The name as given on the command line (messages name it so).
    const std::string& FileName() const { return FFileName; }
    const TSecretString& Password() const { return FPassword; }

    // Runs Body inside one update bracket of the data layer: the whole of it is one change, taken
    // back when Body fails. SIGINT, SIGTERM and SIGHUP wait until the change is done; one that
    // came meanwhile then ends the command (ECliInterrupted).
    void Update(const std::function<void()>& Body);
    // The same for a rebuild (compaction, password change) and what goes with it: signals wait,
    // and the box, a new file now, is announced again.
    void Rewrite(const std::function<void()>& Body);

private:
    void Open(TOpenPurpose Purpose, const TSecretString* Password);

    std::string FFileName;
    TSecretString FPassword;
    TOpenFileMarker FMarker;
};

// The compression of the box's blobs ("Zlib"; empty when none), as its whole-file options say.
std::string BoxCompression(TBoxSession& Session);
