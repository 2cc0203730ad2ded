#include "cli/transfer/SecretMemory.h"

#include "dataproc/Wipe.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Each block starts with its size, so it can be wiped whole when it is freed.
constexpr std::size_t kHeader = alignof(std::max_align_t);

std::size_t& SizeOf(unsigned char* Base)
{
    return *reinterpret_cast<std::size_t*>(Base);
}

} // namespace

void* WipingAlloc(std::size_t Size)
{
    auto* base = static_cast<unsigned char*>(std::malloc(Size + kHeader));
    if (base == nullptr)
        return nullptr;
    SizeOf(base) = Size;
    return base + kHeader;
}

void WipingFree(void* Block)
{
    if (Block == nullptr)
        return;
    auto* base = static_cast<unsigned char*>(Block) - kHeader;
    SecureZero(base, SizeOf(base) + kHeader);
    std::free(base);
}

void* WipingRealloc(void* Block, std::size_t Size)
{
    if (Block == nullptr)
        return WipingAlloc(Size);
    // Never realloc in place of a copy: the old block would be released unwiped.
    void* fresh = WipingAlloc(Size);
    if (fresh == nullptr)
        return nullptr;
    auto* base = static_cast<unsigned char*>(Block) - kHeader;
    const std::size_t old = SizeOf(base);
    std::memcpy(fresh, Block, old < Size ? old : Size);
    WipingFree(Block);
    return fresh;
}

void UseWipingAllocForXml()
{
    pugi::set_memory_management_functions(WipingAlloc, WipingFree);
}

void AppendWiped(std::string& Out, std::string_view Data)
{
    if (Out.size() + Data.size() > Out.capacity()) {
        std::string grown;
        grown.reserve(std::max(Out.capacity() * 2, Out.size() + Data.size()));
        grown.assign(Out);
        WipeString(Out);
        Out.swap(grown);
    }
    Out.append(Data);
}

TSecretText::~TSecretText()
{
    WipeString(FText);
}

TSecretText::int_type TSecretText::overflow(int_type C)
{
    if (!traits_type::eq_int_type(C, traits_type::eof())) {
        const char c = traits_type::to_char_type(C);
        Append(std::string_view(&c, 1));
    }
    return traits_type::not_eof(C);
}

std::streamsize TSecretText::xsputn(const char* Data, std::streamsize Count)
{
    Append(std::string_view(Data, static_cast<std::size_t>(Count)));
    return Count;
}
