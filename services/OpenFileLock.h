// How running copies of the program tell each other which password box each has open.
//
// A copy that opens a box holds a shared lock on a small file in the user's runtime folder whose
// name derives from the box's key (its full path, ASCII letters upper-cased). The system drops
// the lock when the holder ends, however it ends, so a crashed copy never leaves a box marked as
// open. The lock files themselves stay: removing one could race with a copy taking it.
#pragma once

#include <string>

// Upper-cased (ASCII letters only) full path: c:/a/B.zmb and C:/A/b.zmb are one box.
std::string OpenFileKey(const std::string& FileName);

// $XDG_RUNTIME_DIR/Zembrix, or $TMPDIR/Zembrix-<uid> when the runtime folder is not set.
std::string OpenFileLockFolder();

// True when a running copy of the program, this one included, has announced FileName as open.
bool IsFileOpenedElsewhere(const std::string& FileName);

// The announcement of the box this copy has open. Not copyable; withdrawn on destruction.
class TOpenFileMarker {
public:
    TOpenFileMarker() = default;
    ~TOpenFileMarker();
    TOpenFileMarker(const TOpenFileMarker&) = delete;
    TOpenFileMarker& operator=(const TOpenFileMarker&) = delete;

    // Announces FileName, replacing an earlier announcement of this marker. False when the lock
    // folder or file cannot be made (the folder must belong to the user and be private).
    bool Announce(const std::string& FileName);
    void Withdraw();
    bool Announced() const { return FHandle >= 0; }

private:
    int FHandle = -1;
};
