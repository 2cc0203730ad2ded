// A file system that counts what the file layer asks of it and fails one chosen call: the n-th
// write (with ENOSPC, EIO, or a short write after which the disk is full), the n-th sync or the
// n-th rename. After a write fault with a full disk, writes that would make a file longer keep
// failing with ENOSPC while writes inside a file succeed, as on a real full disk.
#pragma once

#include "dataproc/FileSystem.h"

#include <cerrno>
#include <cstdint>
#include <string>
#include <sys/stat.h>

enum TFaultKind { fkNone, fkNoSpace, fkIoError, fkShortWrite };

inline const char* FaultName(TFaultKind Kind)
{
    switch (Kind) {
    case fkNoSpace: return "ENOSPC";
    case fkIoError: return "EIO";
    case fkShortWrite: return "short write";
    default: return "none";
    }
}

class TFaultyFileSystem : public TFileSystem {
public:
    // What to fail; 0 = never.
    int FailWrite = 0;
    TFaultKind WriteFault = fkNone;
    int FailSync = 0;
    int FailRename = 0;

    // Calls seen so far.
    int Writes = 0;
    int Syncs = 0;
    int Renames = 0;
    bool Fired = false;

    ssize_t Write(int Fd, const void* Buffer, std::size_t Count, int64_t Offset) override
    {
        ++Writes;
        if (Writes == FailWrite) {
            Fired = true;
            FDiskFull = WriteFault != fkIoError;
            if (WriteFault == fkShortWrite && Count > 1)
                return TFileSystem::Write(Fd, Buffer, Count / 2, Offset);
            errno = WriteFault == fkIoError ? EIO : ENOSPC;
            return -1;
        }
        if (FDiskFull && Extends(Fd, Count, Offset)) {
            errno = ENOSPC;
            return -1;
        }
        return TFileSystem::Write(Fd, Buffer, Count, Offset);
    }

    int Sync(int Fd) override
    {
        if (++Syncs == FailSync) {
            Fired = true;
            errno = EIO;
            return -1;
        }
        return TFileSystem::Sync(Fd);
    }

    int Rename(const char* From, const char* To, bool NoReplace) override
    {
        if (++Renames == FailRename) {
            Fired = true;
            errno = EIO;
            return -1;
        }
        return TFileSystem::Rename(From, To, NoReplace);
    }

private:
    static bool Extends(int Fd, std::size_t Count, int64_t Offset)
    {
        struct stat st {};
        return ::fstat(Fd, &st) != 0 || Offset + int64_t(Count) > int64_t(st.st_size);
    }

    bool FDiskFull = false;
};

// Puts a file system in place for a scope.
class TScopedFileSystem {
public:
    explicit TScopedFileSystem(TFileSystem& Value) : FOld(SetFileSystem(&Value)) {}
    ~TScopedFileSystem() { SetFileSystem(FOld); }
    TScopedFileSystem(const TScopedFileSystem&) = delete;
    TScopedFileSystem& operator=(const TScopedFileSystem&) = delete;

private:
    TFileSystem* FOld;
};

// The text the system gives for the fault, as the error messages carry it.
inline std::string FaultReason(TFaultKind Kind)
{
    return Kind == fkIoError ? "Input/output error" : "No space left on device";
}
