// What a change of the file wrote over, kept in memory so the change can be taken back when it
// fails part-way (a full disk, an I/O error). Changes nest: each level remembers the file's size
// when it began and the bytes it overwrote below that size, once per written range (what lies
// beyond it goes with the cut); undoing a level puts those bytes back, newest first, and cuts the
// file to that size. A level that ends well hands what it kept to the level around it, which may
// still be undone as a whole. A level whose part failed after writing is spoilt: it can only be
// undone.
//
// The log knows nothing of the file: the caller reads the bytes about to be overwritten and
// writes them back. Nothing here raises but memory exhaustion and what the caller's procedures
// raise. Threads: the database's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class TNorkUndoLog {
public:
    using TReadProc = std::function<int64_t(int64_t Position, void* Buffer, int64_t Count)>;
    using TWriteProc = std::function<void(int64_t Position, const void* Buffer, int64_t Count)>;
    using TTruncateProc = std::function<void(int64_t Size)>;

    // A change (or one nested in the current change) begins on a file of Size bytes.
    void Begin(int64_t Size);
    // The innermost change completed; its writes now belong to the change around it.
    void End();
    // Forgets everything (after the outermost change was put on the device).
    void Clear();
    int Depth() const { return static_cast<int>(FLevels.size()); }
    // Whether the innermost change wrote anything.
    bool Changed() const { return !FLevels.empty() && FLevels.back().Changed; }
    // Marks the innermost change as spoilt by an error (the first one given is kept).
    void Spoil(const std::string& Why);
    bool Spoilt() const { return !FLevels.empty() && FLevels.back().Spoilt; }
    bool AnySpoilt() const;
    const std::string& SpoiltBy() const { return FLevels.back().SpoiltBy; }

    // Called before Count bytes are written at Position: keeps what the file holds there below
    // the innermost change's starting size, read through Read. Nothing happens outside a change.
    void Keep(int64_t Position, int64_t Count, const TReadProc& Read);
    // Undoes the innermost change: its kept bytes go back through Write, newest first, and the
    // file is cut to the change's starting size through Truncate; then the change ends. Errors of
    // Write and Truncate pass on, and the change has ended all the same.
    void Undo(const TWriteProc& Write, const TTruncateProc& Truncate);

private:
    struct TRange {
        int64_t Position;
        int64_t Count;
        bool operator==(const TRange& Other) const = default;
    };
    struct TRangeHash {
        std::size_t operator()(const TRange& R) const noexcept
        {
            return std::hash<int64_t>()(R.Position * 31 + R.Count);
        }
    };
    struct TEntry {
        TRange Range;
        std::vector<uint8_t> Bytes; // the part below the starting size; may be empty
    };
    struct TLevel {
        int64_t Size = 0;
        std::size_t FirstEntry = 0;
        bool Changed = false;
        bool Spoilt = false;
        std::string SpoiltBy;
        std::unordered_set<TRange, TRangeHash> Kept; // ranges this level already holds
    };

    void Wipe(TEntry& Entry) noexcept;

    std::vector<TLevel> FLevels;
    std::vector<TEntry> FEntries;
};
