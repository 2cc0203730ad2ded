#include "services/PathUtils.h"

#include "dataproc/FilePaths.h"

#include <sys/stat.h>

std::string NormalizeFolder(const std::string& Path)
{
    std::size_t b = 0;
    std::size_t e = Path.size();
    while (b < e && static_cast<unsigned char>(Path[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(Path[e - 1]) <= ' ')
        --e;
    std::string folder = Path.substr(b, e - b);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string GetFullPath(const std::string& FileName)
{
    return FileName.empty() ? std::string() : FullPath(FileName);
}

std::string GetLongPath(const std::string& Path)
{
    return Path;
}

std::string GetTempFolder()
{
    return NormalizeFolder(TempFolder());
}

int64_t GetFileSizeByName(const std::string& FileName)
{
    struct stat st {};
    if (FileName.empty() || ::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool IsSameFile(const std::string& A, const std::string& B)
{
    if (A.empty() || B.empty())
        return false;
    if (GetFullPath(A) == GetFullPath(B))
        return true;
    struct stat a {};
    struct stat b {};
    return ::stat(A.c_str(), &a) == 0 && ::stat(B.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
