// Overwrites memory that held secrets so the bytes do not outlive their use.
#pragma once

#include <cstddef>
#include <string>

void SecureZero(void* data, std::size_t size) noexcept;

// Wipes the characters of a string (including spare capacity) and empties it.
void WipeString(std::string& s) noexcept;
void WipeString(std::u16string& s) noexcept;
