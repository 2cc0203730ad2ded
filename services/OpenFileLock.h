// How running copies of the program tell each other which password box each has open.
//
// A copy that opens a box holds a shared lock on a small file in the user's runtime folder
// named after the box's identity: the device and inode of the file, so the same box reached
// through another path, another letter case or a hard link is one box, and two different files
// never clash. The system drops the lock when the holder ends, however it ends, so a crashed
// copy never leaves a box marked as open. The last holder removes the lock file when it lets go,
// and lock files that nobody holds (left by copies that were killed) are removed by whoever comes
// across them.
//
// A box that a rebuild (compaction, password change) has replaced is a new file with a new
// identity: announce it again afterwards.
#pragma once

#include <string>

// The identity of the file FileName names (following links), as text; "" when it does not exist.
std::string OpenFileKey(const std::string& FileName);

// $XDG_RUNTIME_DIR/Zembrix, or $TMPDIR/Zembrix-<uid> when the runtime folder is not set.
std::string OpenFileLockFolder();

// True when a running copy of the program, this one included, has announced the file FileName
// names as open. A missing file is not open anywhere.
bool IsFileOpenedElsewhere(const std::string& FileName);

// The announcement of the box this copy has open. Not copyable; withdrawn on destruction.
class TOpenFileMarker {
public:
    TOpenFileMarker() = default;
    ~TOpenFileMarker();
    TOpenFileMarker(const TOpenFileMarker&) = delete;
    TOpenFileMarker& operator=(const TOpenFileMarker&) = delete;

    // Announces FileName, replacing an earlier announcement of this marker. False when the file
    // does not exist or the lock folder or file cannot be made (the folder must belong to the
    // user and be private).
    bool Announce(const std::string& FileName);
    void Withdraw();
    bool Announced() const { return FHandle >= 0; }

private:
    int FHandle = -1;
    std::string FLockPath;
};
