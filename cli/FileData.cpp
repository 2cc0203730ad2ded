#include "cli/FileData.h"

#include "cli/CliError.h"
#include "dataproc/Exception.h"
#include "dataproc/FileReplacement.h"
#include "dataproc/Wipe.h"
#include "services/FileHandle.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int Err)
{
    return std::strerror(Err);
}

} // namespace

TSecretString ReadWholeFile(const std::string& Path, int64_t MaxBytes)
{
    TFileHandle fd(OpenFileHandle(Path.c_str(), O_RDONLY));
    if (fd.Get() < 0)
        RaiseFileError(ecFileFault, Path, "cannot read the file: " + Reason(errno));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        RaiseFileError(ecFileFault, Path, "not a regular file");
    if (st.st_size > MaxBytes)
        RaiseUsage(Path + ": the file is too large (" + std::to_string(st.st_size) + " bytes, at most " +
                   std::to_string(MaxBytes) + ")");
    // Sized once from the file's size, so the bytes are never copied into memory that is freed
    // unwiped; a file that grows while being read is refused rather than reallocated.
    std::string data(static_cast<std::size_t>(st.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(fd.Get(), data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            WipeString(data);
            RaiseFileError(ecFileFault, Path, "cannot read the file: " + Reason(err));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
        if (got == data.size()) {
            WipeString(data);
            RaiseUsage(Path + ": the file changed while it was read");
        }
    }
    data.resize(got);
    return TSecretString(std::move(data));
}

std::string BaseName(const std::string& Path)
{
    std::string p = Path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

void WriteNewFile(const std::string& Path, const void* Data, std::size_t Size, bool Overwrite)
{
    struct stat st {};
    if (!Overwrite && ::lstat(Path.c_str(), &st) == 0)
        RaiseFileError(ecUsage, Path, "the file exists (use --force to replace it)");
    // Readable by the user only, also when it replaces a file that others could read; a symbolic
    // link in its place is replaced, not followed.
    TReplaceOptions options;
    options.NewMode = 0600;
    options.KeepMode = false;
    options.Overwrite = Overwrite;
    try {
        ReplaceFile(Path, Data, static_cast<int64_t>(Size), options);
    } catch (const EFileError& e) {
        throw ECliError(ecFileFault, e.what());
    }
}

void WriteStdout(const void* Data, std::size_t Size)
{
    if (!WriteAllBytes(STDOUT_FILENO, Data, Size))
        throw ECliError(ecFileFault, std::string("cannot write to standard output: ") + Reason(errno));
}
