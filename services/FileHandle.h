// A file descriptor closed on every path, and a write that does not stop short, for the code that
// works on files with the system calls themselves.
#pragma once

#include <cstddef>

class TFileHandle {
public:
    explicit TFileHandle(int Fd) : FFd(Fd) {}
    ~TFileHandle();
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    int Get() const { return FFd; }
    // Closes now and answers whether that succeeded (a write may fail only at the close).
    bool Close();

private:
    int FFd;
};

// Opens FileName with Flags (and O_CLOEXEC), retrying when a signal interrupts; -1 with errno set
// on failure. Raises nothing.
int OpenFileHandle(const char* FileName, int Flags, unsigned Mode = 0);

// Writes all Size bytes, retrying after interruptions and partial writes; false with errno set
// when the system refuses. Raises nothing.
bool WriteAllBytes(int Fd, const void* Data, std::size_t Size);
