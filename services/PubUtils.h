// Small helpers shared by the dialogs and the main window: sizes for display, comparisons,
// choices; the path functions come with them.
#pragma once

#include "services/PathUtils.h"

#include <cstdint>
#include <string>

// Value with the thousands separators of a locale ("" = the user's locale, from LC_ALL,
// LC_NUMERIC or LANG), no decimals.
std::string FormatThousands(int64_t Value, const std::string& Locale = std::string());

// A size in whole kilobytes, rounded up (0 for 0 or less), with the locale's thousands
// separators, followed by Suffix: FormatKBytes(" KB", 2000000) is "1,954 KB" in English.
std::string FormatKBytes(const std::string& Suffix, int64_t Size, const std::string& Locale = std::string());

// −1 when A < B, 1 when A > B, else 0.
constexpr int CompareInt(int64_t A, int64_t B) { return A < B ? -1 : (A > B ? 1 : 0); }

// A when Condition, else B. By value, so a result never refers to a temporary argument.
template <typename T>
constexpr T IfThen(bool Condition, const T& A, const T& B)
{
    return Condition ? A : B;
}
