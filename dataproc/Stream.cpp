#include "dataproc/Stream.h"

#include "dataproc/Wipe.h"

#include <algorithm>
#include <array>

int64_t TStream::CopyFrom(TStream& Source, int64_t Count)
{
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.GetSize();
    }
    std::array<uint8_t, 65536> chunk;
    int64_t done = 0;
    while (done < Count) {
        const int64_t want = std::min<int64_t>(Count - done, chunk.size());
        const int64_t got = Source.Read(chunk.data(), want);
        if (got <= 0)
            break;
        Write(chunk.data(), got);
        done += got;
    }
    SecureZero(chunk.data(), chunk.size());
    return done;
}
