#include "dataproc/AlgoRegistry.h"

#include <strings.h>

namespace {

void Register(TAlgoRegistry& Registry, const TDataProcessAlgoClass& AlgoClass, const std::string& Name)
{
    for (auto& entry : Registry) {
        if (entry.second == &AlgoClass) {
            entry.first = Name;
            return;
        }
    }
    Registry.emplace_back(Name, &AlgoClass);
}

// Filled on first use, which is before any manager can select an algorithm; encryption first.
TAlgoRegistry& EncryptRegistry()
{
    static TAlgoRegistry registry{{"Blowfish", &TEncAlgo_Blowfish::ClassType()}};
    return registry;
}

TAlgoRegistry& CompressRegistry()
{
    static TAlgoRegistry registry = (EncryptRegistry(), TAlgoRegistry{{"Zlib", &TCompAlgo_Zlib::ClassType()}});
    return registry;
}

} // namespace

const TAlgoRegistry& CompressAlgoRegistry()
{
    return CompressRegistry();
}

const TAlgoRegistry& EncryptAlgoRegistry()
{
    return EncryptRegistry();
}

void RegisterCompressAlgo(const TDataProcessAlgoClass& AlgoClass, const std::string& Name)
{
    Register(CompressRegistry(), AlgoClass, Name);
}

void RegisterEncryptAlgo(const TDataProcessAlgoClass& AlgoClass, const std::string& Name)
{
    Register(EncryptRegistry(), AlgoClass, Name);
}

int FindAlgo(const TAlgoRegistry& Registry, const std::string& Name) noexcept
{
    for (std::size_t i = 0; i < Registry.size(); ++i)
        if (strcasecmp(Registry[i].first.c_str(), Name.c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

bool IsCompressAlgoRegistered(const std::string& Name) noexcept
{
    return FindAlgo(CompressAlgoRegistry(), Name) >= 0;
}

bool IsEncryptAlgoRegistered(const std::string& Name) noexcept
{
    return FindAlgo(EncryptAlgoRegistry(), Name) >= 0;
}
