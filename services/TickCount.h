// A millisecond tick counter from the steady clock, as an unsigned 32-bit value that wraps after
// about 49.7 days; take differences in unsigned 32-bit arithmetic so the wrap does no harm.
#pragma once

#include <chrono>
#include <cstdint>

inline uint32_t TickCount()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}
