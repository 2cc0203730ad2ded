// Base64 (the standard alphabet with padding) for attachment bytes in export files.
#pragma once

#include <string>
#include <string_view>

std::string EncodeBase64(std::string_view Bytes);

// Strict: only the standard alphabet, correct padding, white space (the line breaks of wrapped
// text) skipped. False, Bytes wiped, on anything else: a damaged export must not import as
// different bytes.
bool DecodeBase64(std::string_view Text, std::string& Bytes);
