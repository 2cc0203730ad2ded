#include "storage/NorkUndoLog.h"

#include "dataproc/Wipe.h"

#include <algorithm>

void TNorkUndoLog::Wipe(TEntry& Entry) noexcept
{
    // Kept bytes of an unencrypted box are the user's data in plain form.
    SecureZero(Entry.Bytes.data(), Entry.Bytes.size());
}

void TNorkUndoLog::Begin(int64_t Size)
{
    TLevel level;
    level.Size = Size;
    level.FirstEntry = FEntries.size();
    FLevels.push_back(std::move(level));
}

void TNorkUndoLog::End()
{
    if (FLevels.empty())
        return;
    TLevel inner = std::move(FLevels.back());
    FLevels.pop_back();
    if (FLevels.empty()) {
        Clear();
        return;
    }
    TLevel& outer = FLevels.back();
    outer.Changed = outer.Changed || inner.Changed;
    if (inner.Spoilt && !outer.Spoilt) {
        outer.Spoilt = true;
        outer.SpoiltBy = inner.SpoiltBy;
    }
    // A range the outer level kept already holds older bytes, which are the ones to put back.
    std::size_t to = inner.FirstEntry;
    for (std::size_t i = inner.FirstEntry; i < FEntries.size(); ++i) {
        TEntry& e = FEntries[i];
        if (outer.Kept.count(e.Range) != 0) {
            Wipe(e);
            continue;
        }
        outer.Kept.insert(e.Range);
        if (to != i)
            FEntries[to] = std::move(e);
        ++to;
    }
    for (std::size_t i = to; i < FEntries.size(); ++i)
        Wipe(FEntries[i]);
    FEntries.resize(to);
}

void TNorkUndoLog::Clear()
{
    for (TEntry& e : FEntries)
        Wipe(e);
    FEntries.clear();
    FLevels.clear();
}

void TNorkUndoLog::Keep(int64_t Position, int64_t Count, const TReadProc& Read)
{
    if (FLevels.empty() || Count <= 0)
        return;
    TLevel& level = FLevels.back();
    level.Changed = true;
    if (Position >= level.Size)
        return; // new space: cutting the file takes it back
    const TRange range{Position, Count};
    if (!level.Kept.insert(range).second)
        return;
    TEntry entry{range, {}};
    const int64_t end = std::min(Position + Count, level.Size);
    if (end > Position) {
        entry.Bytes.resize(static_cast<std::size_t>(end - Position));
        const int64_t got = Read(Position, entry.Bytes.data(), end - Position);
        entry.Bytes.resize(static_cast<std::size_t>(std::max<int64_t>(got, 0)));
    }
    FEntries.push_back(std::move(entry));
}

bool TNorkUndoLog::AnySpoilt() const
{
    for (const TLevel& level : FLevels)
        if (level.Spoilt)
            return true;
    return false;
}

void TNorkUndoLog::Spoil(const std::string& Why)
{
    if (FLevels.empty() || FLevels.back().Spoilt)
        return;
    FLevels.back().Spoilt = true;
    FLevels.back().SpoiltBy = Why;
}

void TNorkUndoLog::Undo(const TWriteProc& Write, const TTruncateProc& Truncate)
{
    if (FLevels.empty())
        return;
    const TLevel level = std::move(FLevels.back());
    FLevels.pop_back();
    struct TDropOnExit {
        TNorkUndoLog& Log;
        std::size_t From;
        ~TDropOnExit()
        {
            for (std::size_t i = From; i < Log.FEntries.size(); ++i)
                Log.Wipe(Log.FEntries[i]);
            Log.FEntries.resize(From);
        }
    } drop{*this, level.FirstEntry};
    if (!level.Changed)
        return;
    for (std::size_t i = FEntries.size(); i-- > level.FirstEntry;) {
        const TEntry& e = FEntries[i];
        if (!e.Bytes.empty())
            Write(e.Range.Position, e.Bytes.data(), static_cast<int64_t>(e.Bytes.size()));
    }
    Truncate(level.Size);
}
