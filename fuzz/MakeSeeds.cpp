// Writes the seed corpora: small valid containers made by the engine (plain, encrypted,
// compressed; tables with blobs, deleted records and indexes of every key type) and stored
// record and blob bytes for each decoding path.
//
// Usage: fuzz_make_seeds CONTAINER_DIR STORED_DIR
#include "FuzzPassword.h"

#include "dataproc/MemoryStream.h"
#include "storage/Nork.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void Fail(const std::string& What)
{
    std::cerr << "fuzz_make_seeds: " << What << "\n";
    std::exit(1);
}

template <class T>
void Put(std::vector<uint8_t>& Rec, int Offset, const T& Value)
{
    std::memcpy(Rec.data() + Offset, &Value, sizeof(T));
}

// Record layout of the "Keys" table: one field per index key type.
//   0 byte   1 word   3 longword   7 shortint   8 smallint   10 longint   14 double
//   22 boolean   23 date   31 time   39 datetime   47 string[16]
constexpr int kKeysRecSize = 63;

std::vector<uint8_t> KeysRecord(int I)
{
    std::vector<uint8_t> r(kKeysRecSize, 0);
    Put(r, 0, uint8_t(I * 37));
    Put(r, 1, uint16_t(I * 1000));
    Put(r, 3, uint32_t(I * 100000u));
    Put(r, 7, int8_t(50 - I * 13));
    Put(r, 8, int16_t(300 - I * 97));
    Put(r, 10, int32_t(I % 3 - 1));
    Put(r, 14, double(I) / 3.0 - 1.0);
    Put(r, 22, uint8_t(I & 1));
    Put(r, 23, double(45000 + I));
    Put(r, 31, double(I) / 24.0);
    Put(r, 39, double(45000 + I) + double(I) / 24.0);
    const std::string text = "key " + std::to_string(7 - I);
    std::memcpy(r.data() + 47, text.data(), text.size());
    return r;
}

void FillKeysTable(TNorkDatabase& Db)
{
    if (!Db.CreateTable("Keys", kKeysRecSize, 1, 4))
        Fail("cannot create table Keys");
    const struct {
        const char* Name;
        int Offset;
        TNorkIndexType Type;
    } single[] = {{"ByByte", 0, itByte},       {"ByWord", 1, itWord},     {"ByLongword", 3, itLongword},
                  {"ByShortint", 7, itShortint}, {"BySmallint", 8, itSmallint}, {"ByDouble", 14, itDouble},
                  {"ByDate", 23, itDate}};
    for (const auto& s : single)
        if (!Db.CreateIndex("Keys", s.Name, s.Offset, s.Type))
            Fail(std::string("cannot create index ") + s.Name);
    // Several fields in order of significance, ties on the first broken by the rest.
    if (!Db.CreateIndex("Keys", "Composite",
                        {{10, itLongint}, {22, itBoolean}, {31, itTime}, {39, itDateTime}, {47, itString}}))
        Fail("cannot create index Composite");
    TNorkTable table(&Db);
    table.Open("Keys", true);
    for (int i = 0; i < 7; ++i) {
        const std::vector<uint8_t> r = KeysRecord(i);
        const int32_t id = table.AppendRecord(r.data(), kKeysRecSize, 0);
        if (i % 2 == 0)
            table.WriteBlob(id, 0, std::string(size_t(20 + i * 30), char('a' + i)));
    }
    table.DeleteRecord(3);
    const std::vector<uint8_t> changed = KeysRecord(9);
    table.ModifyRecord(5, changed.data(), kKeysRecSize);
}

void FillNotesTable(TNorkDatabase& Db)
{
    if (!Db.CreateTable("Notes", 12, 2, 2))
        Fail("cannot create table Notes");
    if (!Db.CreateIndex("Notes", "ByFolder", 0, itLongint))
        Fail("cannot create index ByFolder");
    TNorkTable table(&Db);
    table.Open("Notes", true);
    for (int i = 0; i < 5; ++i) {
        std::vector<uint8_t> r(12, uint8_t(i));
        Put(r, 0, int32_t(i % 2));
        const int32_t id = table.AppendRecord(r.data(), 12, i == 4 ? 40 : 0); // a gap in the ids
        table.WriteBlob(id, 0, "note " + std::to_string(i));
        table.WriteBlob(id, 1, std::string(size_t(100 + 50 * i), char('0' + i)));
    }
    table.WriteBlob(2, 1, std::string(300, 'x')); // grown in place or moved
    table.DeleteRecord(1);
}

void MakeContainer(const std::string& File, bool Compress, bool Encrypt, bool Tables)
{
    TNorkDatabase db;
    if (!db.CreateDatabase(File, Compress, "Zlib", Encrypt, "Blowfish", kFuzzPassword))
        Fail("cannot create " + File);
    if (!db.Open(File, kFuzzPassword))
        Fail("cannot open " + File);
    if (Tables) {
        FillKeysTable(db);
        FillNotesTable(db);
    }
    db.SetComments("seed comments");
    db.SetPwdQuestion(true, "question?", "answer", kFuzzPassword);
    db.Close();
}

void WriteFile(const fs::path& File, const std::vector<uint8_t>& Bytes)
{
    std::ofstream out(File, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
    if (!out)
        Fail("cannot write " + File.string());
}

void MakeStoredSeeds(const fs::path& Dir, const std::string& Scratch)
{
    TNorkDatabase db;
    if (!db.CreateDatabase(Scratch, true, "Zlib", true, "Blowfish", kFuzzPassword) || !db.Open(Scratch, kFuzzPassword))
        Fail("cannot create " + Scratch);
    const std::string samples[] = {"", "x", "seven b", "a blob of text that spans several cipher blocks",
                                   std::string(700, 'z')};
    int n = 0;
    for (uint8_t mode = 0; mode < 8; ++mode) {
        for (const std::string& s : samples) {
            if ((mode & 4) && s.empty())
                continue;
            std::vector<uint8_t> stored;
            if (mode & 4) {
                stored.resize(s.size());
                db.EncodeRecordBuffer(s.data(), stored.data(), int(s.size()), mode & 2);
            } else {
                TMemoryStream plain;
                plain.Write(s.data(), int64_t(s.size()));
                TMemoryStream coded;
                db.EncodeBlobStream(&plain, &coded, mode & 1, mode & 2);
                stored.assign(coded.Memory(), coded.Memory() + coded.Size());
            }
            stored.insert(stored.begin(), mode);
            WriteFile(Dir / ("stored-" + std::to_string(n++)), stored);
        }
    }
    db.Close();
    fs::remove(Scratch);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        Fail("usage: fuzz_make_seeds CONTAINER_DIR STORED_DIR");
    const fs::path containers = argv[1];
    const fs::path stored = argv[2];
    fs::create_directories(containers);
    fs::create_directories(stored);
    const struct {
        const char* Name;
        bool Compress, Encrypt, Tables;
    } kinds[] = {{"empty-plain", false, false, false},
                 {"tables-plain", false, false, true},
                 {"tables-encrypted", false, true, true},
                 {"tables-compressed", true, false, true},
                 {"tables-encrypted-compressed", true, true, true}};
    for (const auto& k : kinds)
        MakeContainer((containers / k.Name).string(), k.Compress, k.Encrypt, k.Tables);
    MakeStoredSeeds(stored, (stored / "scratch.tmp").string());
    return 0;
}
