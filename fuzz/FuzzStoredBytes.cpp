// The input is stored bytes as a record or a blob holds them on file. The first byte picks the
// decoding path (bit 0: compressed, bit 1: encrypted, bit 2: record rather than blob); the rest
// is decoded through a database whose file is encrypted and compressed.
//
// Decoding may raise an algorithm error; anything else escaping or a sanitizer report is a
// finding. Whatever decodes must come back unchanged after encoding and decoding again.
#include "FuzzPassword.h"

#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/MemoryStream.h"
#include "storage/Nork.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct TFuzzDatabase {
    TMemoryStream Image;
    TNorkDatabase Db;
};

// A fresh encrypted, compressed container, made once and kept in memory.
TFuzzDatabase& Database()
{
    static TFuzzDatabase* fuzz = [] {
        auto* f = new TFuzzDatabase;
        std::string name = TempFolder() + "/zmb-fuzz-XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0)
            abort();
        close(fd);
        TNorkDatabase maker;
        if (!maker.CreateDatabase(name, true, "Zlib", true, "Blowfish", kFuzzPassword))
            abort();
        std::ifstream in(name, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::remove(name.c_str());
        f->Image.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        if (!f->Db.Open(&f->Image, kFuzzPassword))
            abort();
        return f;
    }();
    return *fuzz;
}

void CheckSame(const TMemoryStream& A, const TMemoryStream& B)
{
    if (A.Size() != B.Size() || (A.Size() > 0 && std::memcmp(A.Memory(), B.Memory(), size_t(A.Size())) != 0))
        abort();
}

void DecodeRecord(TNorkDatabase& Db, const uint8_t* Data, int Size, bool Encrypt)
{
    std::vector<uint8_t> plain(static_cast<size_t>(Size));
    Db.DecodeRecordBuffer(Data, plain.data(), Size, Encrypt);
    std::vector<uint8_t> again(plain.size());
    Db.EncodeRecordBuffer(plain.data(), again.data(), Size, Encrypt);
    Db.DecodeRecordBuffer(again.data(), again.data(), Size, Encrypt);
    if (again != plain)
        abort();
}

void DecodeBlob(TNorkDatabase& Db, const uint8_t* Data, int Size, bool Compress, bool Encrypt)
{
    TMemoryStream stored;
    stored.Write(Data, Size);
    TMemoryStream plain;
    Db.DecodeBlobStream(&stored, &plain, Compress, Encrypt);
    TMemoryStream again;
    Db.EncodeBlobStream(&plain, &again, Compress, Encrypt);
    Db.DecodeBlobStream(&again, &again, Compress, Encrypt);
    CheckSame(plain, again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 1 || Size > (1u << 20))
        return 0;
    const uint8_t mode = Data[0];
    const bool compress = mode & 1;
    const bool encrypt = mode & 2;
    TNorkDatabase& db = Database().Db;
    try {
        if (mode & 4)
            DecodeRecord(db, Data + 1, int(Size - 1), encrypt);
        else
            DecodeBlob(db, Data + 1, int(Size - 1), compress, encrypt);
    } catch (const Exception&) {
    }
    return 0;
}
