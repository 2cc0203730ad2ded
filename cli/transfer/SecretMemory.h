// Memory that holds an export's secrets: the blocks of the libraries that keep text in buffers
// of their own (the XML and CSV libraries, zlib) and the export text itself are wiped before
// they go back to the system.
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

void* WipingAlloc(std::size_t Size);
void* WipingRealloc(void* Block, std::size_t Size);
void WipingFree(void* Block);

// Makes the XML library allocate through the functions above; call before the first document.
void UseWipingAllocForXml();

// Appends Data to Out; when Out must grow, its bytes move to a larger buffer and the old one is
// wiped (a plain append would release it unwiped).
void AppendWiped(std::string& Out, std::string_view Data);

// The text of an export as it is written, also as a stream buffer (for writers that take an
// ostream); wiped when released.
class TSecretText : public std::streambuf {
public:
    TSecretText() = default;
    TSecretText(const TSecretText&) = delete;
    TSecretText& operator=(const TSecretText&) = delete;
    ~TSecretText() override;

    void Append(std::string_view Data) { AppendWiped(FText, Data); }
    const std::string& Str() const { return FText; }

protected:
    int_type overflow(int_type C) override;
    std::streamsize xsputn(const char* Data, std::streamsize Count) override;

private:
    std::string FText;
};
