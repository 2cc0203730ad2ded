// One entry's searched texts held ready for many searches: each field decoded and upper-cased
// once (TTextMatcher::Fold), so a search only compares. The same fields the box's search tests,
// never the password. The texts are wiped on release: comments often hold secrets of their own.
// Nothing here raises but memory exhaustion.
#pragma once

#include "boxdata/TextMatcher.h"
#include "boxdata/ZembraTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TSearchText {
public:
    explicit TSearchText(TSearchResultItem Item) : FItem(std::move(Item)) {}
    ~TSearchText();
    // Every copy wipes its own texts; an assignment wipes what it replaces.
    TSearchText(TSearchText&&) noexcept = default;
    TSearchText(const TSearchText&) = default;
    TSearchText& operator=(TSearchText&& Other) noexcept;
    TSearchText& operator=(const TSearchText& Other);

    // What a hit on this entry answers.
    const TSearchResultItem& Item() const { return FItem; }
    // Appends one field as stored (code page 936).
    void AddField(std::string_view Ansi);
    // Whether any field holds the search text (each field on its own, as the box's search tests them).
    bool Matches(const TTextMatcher& Matcher) const;

private:
    TSearchResultItem FItem;
    std::u16string FFolded;      // the folded fields one after another
    std::vector<uint32_t> FEnds; // where each field ends in FFolded
};
using TSearchTexts = std::vector<TSearchText>;
