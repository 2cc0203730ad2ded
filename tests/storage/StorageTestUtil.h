// Helpers for storage tests: a temporary folder per test, byte access to files, and small
// databases made through the engine.
#pragma once

#include "dataproc/FilePaths.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TTempFolder {
public:
    TTempFolder()
    {
        std::string pattern = TempFolder() + "/zmb-storage-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        FPath = name.data();
    }
    ~TTempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
    std::string FPath;
};

// Names in a folder that start with "NORK": the rebuild's temporary files.
inline std::vector<std::string> TemporaryFiles(const std::string& Folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(Folder.c_str())) {
        while (const dirent* e = readdir(dir))
            if (std::strncmp(e->d_name, "NORK", 4) == 0)
                names.push_back(e->d_name);
        closedir(dir);
    }
    return names;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& FileName)
{
    std::ifstream in(FileName, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& FileName, const std::vector<uint8_t>& Bytes)
{
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

template <class T>
T StructAt(const std::vector<uint8_t>& Bytes, int64_t Offset)
{
    T value{};
    if (Offset < 0 || Offset + int64_t(sizeof(T)) > int64_t(Bytes.size()))
        ADD_FAILURE() << "structure at " << Offset << " lies outside " << Bytes.size() << " bytes";
    else
        std::memcpy(&value, Bytes.data() + Offset, sizeof(T));
    return value;
}

// Overwrites sizeof(T) bytes of a file in place.
template <class T>
void PatchFile(const std::string& FileName, int64_t Offset, const T& Value)
{
    std::vector<uint8_t> bytes = ReadFileBytes(FileName);
    ASSERT_LE(Offset + int64_t(sizeof(T)), int64_t(bytes.size()));
    std::memcpy(bytes.data() + Offset, &Value, sizeof(T));
    WriteFileBytes(FileName, bytes);
}

inline std::vector<uint8_t> Record(int Size, uint8_t Seed)
{
    std::vector<uint8_t> r(static_cast<std::size_t>(Size));
    for (int i = 0; i < Size; ++i)
        r[static_cast<std::size_t>(i)] = static_cast<uint8_t>(Seed * 31 + i);
    return r;
}

// Table i's header as it stands in the file (first copy).
inline TTableHeader HeaderInFile(const std::string& FileName, int TableIdx)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(FileName);
    const auto tab = StructAt<TTableTab>(bytes, kTableTabOfs);
    return StructAt<TTableHeader>(bytes, tab.TableHeaderOffset[TableIdx]);
}

inline int64_t HeaderOffsetInFile(const std::string& FileName, int TableIdx)
{
    return StructAt<TTableTab>(ReadFileBytes(FileName), kTableTabOfs).TableHeaderOffset[TableIdx];
}

// A temporary folder and helpers to make small databases in it.
class TStorageTest : public ::testing::Test {
protected:
    // A new database file with one table per name (record size RecSize, one blob).
    std::string MakeDatabase(const std::string& Name, const std::vector<std::string>& Tables = {},
                             int RecSize = 20, int RecCapacity = 4, const std::string& Password = std::string())
    {
        const std::string file = FTemp.File(Name);
        TNorkDatabase db;
        EXPECT_TRUE(db.CreateDatabase(file, true, "Zlib", !Password.empty(), "Blowfish", Password));
        if (!Tables.empty()) {
            EXPECT_TRUE(db.Open(file, Password));
            for (const std::string& t : Tables)
                db.CreateTable(t, RecSize, 1, RecCapacity);
        }
        return file;
    }

    TTempFolder FTemp;
};

// Expects Statement to raise exception type E with exactly the message Text.
#define EXPECT_RAISES(Statement, E, Text)                                                                  \
    do {                                                                                                   \
        try {                                                                                              \
            Statement;                                                                                     \
            ADD_FAILURE() << "no exception from: " #Statement;                                             \
        } catch (const E& e_) {                                                                            \
            EXPECT_EQ(std::string(e_.what()), std::string(Text));                                          \
        }                                                                                                  \
    } while (0)

// The ids along index k's chain of table TableIdx as the file holds it, from the header's first
// slot; stops after Limit links so a cycle cannot hang a test.
inline std::vector<int32_t> ChainInFile(const std::string& FileName, int TableIdx, int K, int Limit = 100000)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(FileName);
    const auto tab = StructAt<TTableTab>(bytes, kTableTabOfs);
    const auto h = StructAt<TTableHeader>(bytes, tab.TableHeaderOffset[TableIdx]);
    const int64_t recSize = PhyRecSizeOf(h);
    std::vector<int32_t> ids;
    for (int32_t s = h.IndexHeader[K].FirstSlot; s != -1 && int(ids.size()) < Limit;) {
        const int64_t at = s < h.BaseUseSpace ? h.BaseDataOfs + s * recSize
                                              : h.AliveDataOfs + (s - h.BaseUseSpace) * recSize;
        const int32_t id = StructAt<TPhyRecPrefix>(bytes, at).SysRecordID;
        ids.push_back(id);
        s = StructAt<int32_t>(bytes, at + 6 + 4 * K);
    }
    return ids;
}

// The ids of an index in its order.
inline std::vector<int32_t> IndexOrder(TNorkIndex& Index)
{
    std::vector<int32_t> ids;
    for (int i = 0; i < Index.Count(); ++i)
        ids.push_back(Index.GetSysRecordID(i));
    return ids;
}
