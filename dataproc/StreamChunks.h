// Runs a stream through a byte transform in 4096-byte chunks. Source and Dest positions are
// tracked apart, so Source == Dest transforms a stream in place.
#pragma once

#include "dataproc/Stream.h"

#include <cstdint>
#include <functional>

// Null Dest means Source; DataSize < 0 means all of Source from its start.
void CodeStreamInChunks(TStream* Source, TStream* Dest, int64_t DataSize,
                        const std::function<void(uint8_t* Chunk, int Size)>& Code);
