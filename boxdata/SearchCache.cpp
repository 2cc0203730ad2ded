#include "boxdata/SearchCache.h"

#include "boxdata/DbFileMgr.h"

#include <algorithm>

namespace {

// Search's order.
bool Before(const TSearchResultItem& A, TZembraType Kind, int32_t ID)
{
    return A.ZembraType != Kind ? A.ZembraType < Kind : A.ItemID < ID;
}

TSearchTexts::iterator Find(TSearchTexts& Texts, TZembraType Kind, int32_t ID)
{
    return std::lower_bound(Texts.begin(), Texts.end(), std::make_pair(Kind, ID),
                            [](const TSearchText& T, const std::pair<TZembraType, int32_t>& Key) {
                                return Before(T.Item(), Key.first, Key.second);
                            });
}

} // namespace

void TSearchCache::DropStale()
{
    if (FMgr.Generation() != FGeneration) {
        Clear();
        FUnreadable = false;
        FGeneration = FMgr.Generation();
    }
}

bool TSearchCache::Usable()
{
    DropStale();
    // A file replaced or moved under the box is for the box to report, as its search does.
    if (!FMgr.IsOpen() || FMgr.FileFate() != ffSame) {
        Clear();
        return false;
    }
    if (!FBuilt && !FUnreadable)
        Build();
    return FBuilt;
}

void TSearchCache::Build()
{
    TSearchTexts texts;
    try {
        FMgr.GetSearchTexts(texts);
    } catch (...) {
        FUnreadable = true;
        return;
    }
    FTexts = std::move(texts);
    FBuilt = true;
}

void TSearchCache::Search(const std::string& SearchText, TSearchResultItems& ResultItems)
{
    const TTextMatcher matcher(SearchText);
    if (matcher.Empty())
        return;
    if (!Usable()) {
        FMgr.Search(SearchText, ResultItems);
        return;
    }
    for (const TSearchText& text : FTexts)
        if (text.Matches(matcher))
            ResultItems.push_back(text.Item());
}

void TSearchCache::Refresh(TZembraType Kind, const TIntegerAry& IDs) noexcept
{
    DropStale();
    if (!FBuilt)
        return; // read whole at the next search
    try {
        TSearchTexts fresh;
        FMgr.GetSearchTexts(Kind, IDs, fresh);
        for (int32_t id : IDs) {
            const auto at = Find(FTexts, Kind, id);
            if (at != FTexts.end() && at->Item().ZembraType == Kind && at->Item().ItemID == id)
                FTexts.erase(at);
        }
        for (TSearchText& text : fresh)
            FTexts.insert(Find(FTexts, Kind, text.Item().ItemID), std::move(text));
    } catch (...) {
        Clear();
    }
}

void TSearchCache::Clear() noexcept
{
    // Each text wipes itself as it goes.
    FTexts.clear();
    FTexts.shrink_to_fit();
    FBuilt = false;
}
