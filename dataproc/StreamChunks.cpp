#include "dataproc/StreamChunks.h"

#include "dataproc/Wipe.h"

#include <algorithm>

void CodeStreamInChunks(TStream* Source, TStream* Dest, int64_t DataSize,
                        const std::function<void(uint8_t* Chunk, int Size)>& Code)
{
    if (Source == nullptr)
        return;
    if (Dest == nullptr)
        Dest = Source;
    if (DataSize < 0) {
        DataSize = Source->GetSize();
        Source->SetPosition(0);
    }
    uint8_t chunk[4096];
    int64_t sourcePos = Source->GetPosition();
    int64_t destPos = Dest->GetPosition();
    try {
        while (DataSize > 0) {
            Source->SetPosition(sourcePos);
            const int64_t got = Source->Read(chunk, std::min<int64_t>(DataSize, sizeof(chunk)));
            sourcePos = Source->GetPosition();
            if (got <= 0)
                break;
            Code(chunk, static_cast<int>(got));
            Dest->SetPosition(destPos);
            Dest->Write(chunk, got);
            destPos = Dest->GetPosition();
            DataSize -= got;
        }
    } catch (...) {
        SecureZero(chunk, sizeof(chunk));
        throw;
    }
    SecureZero(chunk, sizeof(chunk));
}
