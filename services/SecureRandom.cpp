#include "services/SecureRandom.h"

#include "dataproc/Exception.h"
#include "dataproc/Wipe.h"

#include <cerrno>
#include <cstring>
#include <sys/random.h>

namespace {

uint64_t Draw64()
{
    uint64_t value = 0;
    auto* out = reinterpret_cast<unsigned char*>(&value);
    std::size_t done = 0;
    while (done < sizeof value) {
        const ssize_t n = ::getrandom(out + done, sizeof value - done, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Exception(std::string("The system's random source failed: ") + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    return value;
}

} // namespace

uint64_t SecureRandomBelow(uint64_t Range)
{
    if (Range <= 1)
        return 0;
    // Values at or above the largest multiple of Range would favour small results; draw again.
    const uint64_t limit = UINT64_MAX - (UINT64_MAX % Range + 1) % Range;
    uint64_t value;
    do {
        value = Draw64();
    } while (value > limit);
    const uint64_t result = value % Range;
    SecureZero(&value, sizeof value);
    return result;
}
