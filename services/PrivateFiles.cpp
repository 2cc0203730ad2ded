#include "services/PrivateFiles.h"

#include "dataproc/Exception.h"
#include "dataproc/FileReplacement.h"
#include "dataproc/MemoryStream.h"
#include "services/FileHandle.h"
#include "services/PathUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void RaiseRead(const std::string& FileName, const std::string& Reason)
{
    throw EFileError("无法读取文件“" + FileName + "”：" + Reason);
}

} // namespace

bool EnsurePrivateFolder(const std::string& Folder)
{
    if (::mkdir(Folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0077) == 0;
}

std::string PrivateTempFolder()
{
    const std::string folder = GetTempFolder() + "zembrix-open-" + std::to_string(::geteuid());
    if (!EnsurePrivateFolder(folder))
        throw EFileError("临时文件夹“" + folder + "”不是只有您能进入的文件夹，附件不能放在那里。");
    return folder + "/";
}

void ReadFileContent(const std::string& FileName, TMemoryStream& Data)
{
    Data.Clear();
    TFileHandle fd(OpenFileHandle(FileName.c_str(), O_RDONLY));
    if (fd.Get() < 0)
        RaiseRead(FileName, std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        RaiseRead(FileName, "这不是一个普通文件");
    // Sized once from the file's size, so the bytes are never copied into memory that is freed
    // unwiped; one spare byte tells a file that grew while it was read.
    Data.SetSize(static_cast<int64_t>(st.st_size) + 1);
    int64_t got = 0;
    for (;;) {
        const ssize_t n = ::read(fd.Get(), Data.Memory() + got, static_cast<std::size_t>(Data.Size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            Data.Clear();
            RaiseRead(FileName, std::strerror(err));
        }
        if (n == 0)
            break;
        got += n;
        if (got == Data.Size()) {
            Data.Clear();
            RaiseRead(FileName, "文件在读取时被改变了");
        }
    }
    Data.SetSize(got);
    Data.Seek(0, soBeginning);
}

void WriteFileContent(const std::string& FileName, const void* Data, std::size_t Size, bool Private)
{
    TReplaceOptions options;
    options.NewMode = 0600;
    // A private copy gets mode 0600 whatever stood there before.
    options.KeepMode = !Private;
    ReplaceFile(FileName, Data, static_cast<int64_t>(Size), options);
}

bool WipeAndDeleteFile(const std::string& FileName)
{
    bool wiped = false;
    {
        TFileHandle fd(OpenFileHandle(FileName.c_str(), O_WRONLY | O_NOFOLLOW));
        struct stat st {};
        if (fd.Get() >= 0 && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode)) {
            const std::vector<char> zeros(64 * 1024, '\0');
            int64_t left = st.st_size;
            wiped = true;
            while (wiped && left > 0) {
                const std::size_t chunk = static_cast<std::size_t>(std::min<int64_t>(left, zeros.size()));
                wiped = WriteAllBytes(fd.Get(), zeros.data(), chunk);
                left -= static_cast<int64_t>(chunk);
            }
            wiped = wiped && ::fsync(fd.Get()) == 0 && fd.Close();
        }
    }
    return ::unlink(FileName.c_str()) == 0 && wiped;
}
