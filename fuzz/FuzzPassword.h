// The password the seed files are made with, so that fuzzed copies of encrypted seeds still
// open and their tables get exercised.
#pragma once

inline constexpr const char* kFuzzPassword = "fuzz password";
