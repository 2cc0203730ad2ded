// The gzip streams in which KeePass XML files may carry attachment bytes.
#pragma once

#include <string>
#include <string_view>

std::string GzipCompress(std::string_view Bytes);
// False when Data is not one complete gzip stream (Bytes wiped).
bool GzipDecompress(std::string_view Data, std::string& Bytes);
