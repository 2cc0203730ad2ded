#include "cli/EntryRef.h"

#include "boxdata/DbFileMgr.h"
#include "cli/CliError.h"

#include <limits>

TZembraType KindOfName(const std::string& Name)
{
    if (Name == "web")
        return ztNetItem;
    if (Name == "bank")
        return ztBankItem;
    if (Name == "note")
        return ztCommItem;
    return ztNone;
}

std::string FormatEntryRef(TZembraType Kind, int32_t ID)
{
    return std::string(KindName(Kind)) + ":" + std::to_string(ID);
}

bool ParseId(const std::string& Text, int32_t& ID)
{
    if (Text.empty() || Text.size() > 10)
        return false;
    int64_t value = 0;
    for (char c : Text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > std::numeric_limits<int32_t>::max())
        return false;
    ID = static_cast<int32_t>(value);
    return true;
}

TEntryRef ParseEntryRef(const std::string& Text)
{
    const auto colon = Text.find(':');
    TEntryRef ref;
    if (colon != std::string::npos) {
        ref.Kind = KindOfName(Text.substr(0, colon));
        if (ref.Kind != ztNone && ParseId(Text.substr(colon + 1), ref.ID))
            return ref;
    }
    RaiseUsage("'" + Text + "' is no entry: write KIND:ID with KIND web, bank or note (for example web:12)");
}

bool EntryExists(TDbFileMgr& Box, const TEntryRef& Ref)
{
    switch (Ref.Kind) {
    case ztNetItem: {
        TZmbNetItem item;
        return Box.GetNetItem(Ref.ID, item);
    }
    case ztBankItem: {
        TZmbBankItem item;
        return Box.GetBankItem(Ref.ID, item);
    }
    case ztCommItem: {
        TZmbCommItem item;
        return Box.GetCommItem(Ref.ID, item);
    }
    default:
        return false;
    }
}
