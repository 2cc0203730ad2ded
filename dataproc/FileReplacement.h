// The one way the system writes a whole file: boxes (created or rebuilt), the options file,
// file-type registration, exports and saved attachments.
//
// The new content goes into a uniquely named file in the target's folder, held open (with a
// shared lock, so nobody takes it for a leftover) until it is complete. Commit gives it the
// target's permissions (or those asked for), puts it on the device, renames it over the target
// and then puts the folder on the device. So the target's name holds, at every moment, either
// the whole old file or the whole new one. Until Commit the target is untouched; an object
// destroyed without Commit removes its file.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

struct TReplaceOptions {
    // The new file's name in the target's folder is Prefix followed by six random characters;
    // empty gives "." + the target's name + ".".
    std::string Prefix;
    // Permissions of a new target, and of every target when KeepMode is off.
    mode_t NewMode = 0600;
    // An existing target keeps its permissions (and, where the system lets us, its owner).
    bool KeepMode = true;
    // Off: Commit refuses (EEXIST) when a file of the target's name exists by then.
    bool Overwrite = true;
    // On: a symbolic link at the target stays and the file it points to is replaced. Off: the
    // link itself is replaced.
    bool FollowLink = false;
};

class TFileReplacement {
public:
    // Creates the new file beside Target. Raises EFileError naming Target and the reason when
    // the folder does not take it.
    TFileReplacement(const std::string& Target, const TReplaceOptions& Options);
    // Removes the new file unless it was committed; never raises.
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // The file being replaced, after following a link when asked to.
    const std::string& Target() const { return FTarget; }
    // The new file's full path, for writers that open it themselves (share it: the object holds
    // a shared lock on it until Commit).
    const std::string& FileName() const { return FFileName; }

    // Appends Count bytes to what Write wrote so far. Raises EFileError naming Target and the
    // reason ("No space left on device").
    void Write(const void* Data, int64_t Count);
    // Puts what was written so far on the device, for callers that must know the new content
    // is whole before they change anything else. Raises EFileError naming Target and the reason.
    void Flush();
    // Permissions, sync, rename, folder sync; afterwards Target holds the new content. Raises
    // EFileError naming Target when the new file cannot be put on the device or renamed; the
    // target is then as it was and the new file is gone. A failing sync of the folder after the
    // rename is not reported: either name the folder may then keep refers to a whole file.
    void Commit();

private:
    [[noreturn]] void Fail(const char* What, int Err) const;
    void Discard() noexcept;

    std::string FTarget;
    std::string FFileName;
    TReplaceOptions FOptions;
    int FHandle = -1;
    int64_t FWritten = 0;
    bool FCommitted = false;
};

// The whole of Data as Target's new content, through a TFileReplacement. Raises EFileError.
void ReplaceFile(const std::string& Target, const void* Data, int64_t Count, const TReplaceOptions& Options);
