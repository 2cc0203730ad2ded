// Uniform random numbers from the operating system's cryptographic source (getrandom).
#pragma once

#include <cstdint>

// A number drawn uniformly from 0 … Range − 1 (Range ≥ 1), without modulo bias.
// Raises Exception when the system's source fails.
uint64_t SecureRandomBelow(uint64_t Range);
