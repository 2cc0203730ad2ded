// A read-only descriptor kept on a file for as long as the file is in use, so that its path can
// be checked against it. Synchronising tools and file managers rename another file over a path,
// move a file away or delete it while a program still works on it; every write through a handle
// opened earlier would then go into a file that nobody reads again. The anchor takes no lock
// (it keeps nobody out) and keeps the old file readable after its name went elsewhere.
//
// Errors: Open raises EFileError naming the file and the reason; everything else answers and
// never raises. Threads: its owner's.
#pragma once

#include <string>

// What became of an anchored file's path: it still names the file, it names another file now,
// or it names nothing (moved away or deleted; also when the path cannot be looked at).
enum TFileFate { ffSame, ffReplaced, ffGone };

class TFileAnchor {
public:
    TFileAnchor() = default;
    ~TFileAnchor() { Close(); }
    TFileAnchor(const TFileAnchor&) = delete;
    TFileAnchor& operator=(const TFileAnchor&) = delete;

    // Anchors the file Path names now (closing an earlier anchor).
    void Open(const std::string& Path);
    void Close() noexcept;
    bool IsOpen() const { return FHandle >= 0; }
    // Exchanges what two anchors hold.
    void Swap(TFileAnchor& Other) noexcept;

    // ffSame when Path names the anchored file and the file is not deleted; ffSame also when
    // nothing is anchored.
    TFileFate FateOf(const std::string& Path) const noexcept;
    // Whether the descriptor Fd refers to the anchored file.
    bool Holds(int Fd) const noexcept;
    // A path that opens the anchored file itself, whether or not a name still leads to it.
    std::string HandlePath() const;

private:
    int FHandle = -1;
};
