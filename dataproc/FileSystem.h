// The one narrow seam between the file layer and the operating system. Every open, read, write,
// truncation, sync, rename and close of a file the system stores goes through FileSystem(), so
// tests can put a file system in its place that fails exactly where they want it to.
//
// The calls keep the system's conventions: they answer -1 (or a short count) and leave the
// reason in errno. Callers retry EINTR themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

class TFileSystem {
public:
    virtual ~TFileSystem() = default;

    // open(2): a descriptor, or -1.
    virtual int Open(const char* Path, int Flags, mode_t Mode);
    // pread(2) / pwrite(2) at Offset: bytes transferred (maybe fewer than asked), or -1.
    virtual ssize_t Read(int Fd, void* Buffer, std::size_t Count, int64_t Offset);
    virtual ssize_t Write(int Fd, const void* Buffer, std::size_t Count, int64_t Offset);
    // ftruncate(2), fsync(2): 0 or -1.
    virtual int Truncate(int Fd, int64_t Size);
    virtual int Sync(int Fd);
    // rename(2); with NoReplace an existing To makes it fail with EEXIST instead. 0 or -1.
    virtual int Rename(const char* From, const char* To, bool NoReplace);
    // close(2): 0 or -1.
    virtual int Close(int Fd);
};

// The file system in use: the system's own unless a test put another in its place.
TFileSystem& FileSystem();

// Puts Value in place (nullptr: the system's own again) and answers what was there. For tests;
// set it while no file is open through the old one.
TFileSystem* SetFileSystem(TFileSystem* Value);
