// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zmbtest-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        FPath = pattern;
    }
    ~TTempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

inline std::string ReadAll(const std::string& FileName)
{
    std::ifstream in(FileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& FileName, const std::string& Data)
{
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    out << Data;
}

// Sets an environment variable for the scope and puts back what was there.
class TScopedEnv {
public:
    TScopedEnv(const char* Name, const std::string& Value) : FName(Name)
    {
        const char* old = std::getenv(Name);
        FHad = old != nullptr;
        if (FHad)
            FOld = old;
        ::setenv(Name, Value.c_str(), 1);
    }
    ~TScopedEnv()
    {
        if (FHad)
            ::setenv(FName.c_str(), FOld.c_str(), 1);
        else
            ::unsetenv(FName.c_str());
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    std::string FName;
    std::string FOld;
    bool FHad = false;
};
