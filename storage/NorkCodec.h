// Decoding of stored bytes off the database's thread. The database's own cipher keeps chaining
// state between calls and sits behind its codec lock; a TNorkCodec is a private copy keyed the
// same way, so that each decoding thread can decipher and inflate without that lock.
//
// A codec is made on the database's thread (TNorkDatabase::NewCodec) and then used by one
// thread at a time. Errors are those of the algorithms, as for the database's own decoding.
#pragma once

#include "dataproc/MemoryStream.h"
#include "dataproc/NorkAlgoMgr.h"

#include <cstdint>
#include <memory>
#include <string>

class TNorkCodec {
public:
    // Key: the password's code page 936 bytes (unused when Encrypt is false). Raises for an
    // unknown algorithm.
    TNorkCodec(bool Compress, const std::string& CompressAlgoName, bool Encrypt, const std::string& EncryptAlgoName,
               const std::string& Key);

    // Deciphers Size bytes of record data in place when the file is encrypted.
    void DecodeRecord(void* Data, int Size);
    // Stored blob bytes into their plain form (see DecodeStoredBlob).
    void DecodeBlob(TMemoryStream& Stored, TMemoryStream& Plain, int64_t PlainSize);
    // The same from Size stored bytes in memory (a scan's read buffer), left as they are.
    void DecodeBlob(const uint8_t* Stored, int64_t Size, TMemoryStream& Plain, int64_t PlainSize);

private:
    TMemoryStream FDeciphered; // on its way to the inflater; wiped after each blob, its room kept
    bool FCompress;
    bool FEncrypt;
    TCompressMgr FCompressMgr;
    TEncryptMgr FEncryptMgr;
};

// Undoes a blob's encoding: deciphers, then inflates. With PlainSize >= 0 (the descriptor's
// DataSize) and compression, the output is bounded by it and must match it exactly. Dest may be
// Source. The one decoding path of the database and of every codec; raises the algorithms' errors.
void DecodeStoredBlob(TEncryptMgr* Encrypt, TCompressMgr* Compress, TMemoryStream* Source, TMemoryStream* Dest,
                      int64_t PlainSize);
