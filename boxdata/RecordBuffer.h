// A record buffer large enough for any table of a box, wiped when it goes out of scope because
// records hold passwords in clear once deciphered. Never raises; one thread.
#pragma once

#include "boxdata/StoredRecords.h"
#include "dataproc/Wipe.h"

#include <cstring>

class TRecordBuffer {
public:
    TRecordBuffer() { std::memset(FData, 0, sizeof(FData)); }
    ~TRecordBuffer() { SecureZero(FData, sizeof(FData)); }
    TRecordBuffer(const TRecordBuffer&) = delete;
    TRecordBuffer& operator=(const TRecordBuffer&) = delete;

    uint8_t* Data() { return FData; }
    const uint8_t* Data() const { return FData; }
    void Clear() { std::memset(FData, 0, sizeof(FData)); }

private:
    uint8_t FData[kMaxRecordSize];
};
