#include "boxdata/SearchText.h"

#include "dataproc/Wipe.h"

TSearchText::~TSearchText()
{
    WipeString(FFolded);
    WipeString(FItem.Caption);
}

TSearchText& TSearchText::operator=(TSearchText&& Other) noexcept
{
    if (this != &Other) {
        WipeString(FFolded);
        WipeString(FItem.Caption);
        FItem = std::move(Other.FItem);
        FFolded = std::move(Other.FFolded);
        FEnds = std::move(Other.FEnds);
    }
    return *this;
}

TSearchText& TSearchText::operator=(const TSearchText& Other)
{
    if (this != &Other) {
        WipeString(FFolded);
        WipeString(FItem.Caption);
        FItem = Other.FItem;
        FFolded = Other.FFolded;
        FEnds = Other.FEnds;
    }
    return *this;
}

void TSearchText::AddField(std::string_view Ansi)
{
    std::u16string folded = TTextMatcher::Fold(Ansi);
    const std::size_t needed = FFolded.size() + folded.size();
    if (needed > FFolded.capacity()) {
        // Grown by hand, so the buffer left behind is wiped rather than freed as it is.
        std::u16string grown;
        grown.reserve(needed);
        grown = FFolded;
        WipeString(FFolded);
        FFolded.swap(grown);
    }
    FFolded += folded;
    WipeString(folded);
    FEnds.push_back(static_cast<uint32_t>(FFolded.size()));
}

bool TSearchText::Matches(const TTextMatcher& Matcher) const
{
    const std::u16string_view all(FFolded);
    uint32_t start = 0;
    for (const uint32_t end : FEnds) {
        if (end > start && Matcher.FoundInFolded(all.substr(start, end - start)))
            return true;
        start = end;
    }
    return false;
}
