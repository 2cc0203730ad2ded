// zlib behind the compression algorithm "Zlib": one RFC 1950 stream at zlib's default level,
// no framing of our own. Errors carry zlib's text after "Compression error: " or
// "Decompression error: ".
#pragma once

#include "dataproc/MemoryStream.h"

#include <string>

// zlib's text for a negative return code; empty for codes it does not name.
std::string ZLibErrorText(int Code);

// Compresses Size bytes into Out (replacing its content).
void ZCompressBuf(const void* In, int Size, TMemoryStream& Out);

// Decompresses one complete zlib stream from Size bytes into Out (replacing its content);
// bytes after the stream's end are ignored. Thread-safe: every thread inflates with its own state.
void ZDecompressBuf(const void* In, int Size, TMemoryStream& Out);

// The same for a stream whose writer recorded its plain size: Out never grows past PlainSize,
// and a stream that does not inflate to exactly PlainSize bytes is damaged ("Decompression
// error: data error"), so a damaged blob cannot make the reader allocate what it claims.
void ZDecompressBufExact(const void* In, int Size, int64_t PlainSize, TMemoryStream& Out);
