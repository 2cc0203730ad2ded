// The two process-wide name registries of algorithm classes. They start out holding the
// standard pairs ("Blowfish" for encryption, "Zlib" for compression); names match without case.
#pragma once

#include "dataproc/DataProcessAlgo.h"

#include <string>
#include <utility>
#include <vector>

using TAlgoRegistry = std::vector<std::pair<std::string, const TDataProcessAlgoClass*>>;

const TAlgoRegistry& CompressAlgoRegistry();
const TAlgoRegistry& EncryptAlgoRegistry();

// A class already registered gets the new name; otherwise (Name, class) is appended.
void RegisterCompressAlgo(const TDataProcessAlgoClass& AlgoClass, const std::string& Name);
void RegisterEncryptAlgo(const TDataProcessAlgoClass& AlgoClass, const std::string& Name);

bool IsCompressAlgoRegistered(const std::string& Name) noexcept;
bool IsEncryptAlgoRegistered(const std::string& Name) noexcept;

// Position of Name in a registry, -1 when absent.
int FindAlgo(const TAlgoRegistry& Registry, const std::string& Name) noexcept;
