// The gzip streams in which KeePass XML files may carry attachment bytes, and gzip-packed inputs
// of an import.
#pragma once

#include <string>
#include <string_view>

std::string GzipCompress(std::string_view Bytes);
// False when Data is not one complete gzip stream or unpacks to more than MaxBytes (Bytes
// wiped). Raises nothing but std::bad_alloc.
bool GzipDecompress(std::string_view Data, std::string& Bytes, std::size_t MaxBytes = std::size_t(1) << 31);
