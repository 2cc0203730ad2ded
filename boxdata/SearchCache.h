// The box's search answered from memory: every entry's searched texts, read from the box on the
// first search and kept until the box changes under it. A search over it answers exactly what
// TDbFileMgr::Search answers (the same items in the same order), without reading the file.
//
// Its owner keeps it in step: after each change of entries it made, Refresh with their ids (a
// move changes no searched text); after anything else that changes entries (a folder deleted
// with its entries), Clear. What closes or reopens the box's tables (another box, a compaction,
// a password change) it notices by itself, through TDbFileMgr::Generation. Clear also wipes the
// texts; a lock and the window's close call it, so no text outlives them in memory.
//
// A box whose comments cannot all be read is searched by the box itself every time, so its
// errors come where and when Search raises them. Main thread only, as the box.
#pragma once

#include "boxdata/SearchText.h"

#include <cstddef>
#include <cstdint>
#include <string>

class TDbFileMgr;

class TSearchCache {
public:
    explicit TSearchCache(TDbFileMgr& Mgr) : FMgr(Mgr) {}

    // TDbFileMgr::Search's answer, appended to ResultItems; reads the texts first when they are
    // not held. Raises what Search raises.
    void Search(const std::string& SearchText, TSearchResultItems& ResultItems);
    // Reads the texts of the entries of Kind among IDs again, dropping those that are gone.
    // Never raises: when the box cannot answer, everything is dropped and read again next time.
    void Refresh(TZembraType Kind, const TIntegerAry& IDs) noexcept;
    // Drops and wipes every text. Never raises.
    void Clear() noexcept;

    // Whether texts are held, and for how many entries. Answer.
    bool Built() const { return FBuilt; }
    std::size_t Count() const { return FTexts.size(); }

private:
    // Drops the texts when the box's tables were closed since they were read.
    void DropStale();
    // Whether a search can be answered from the texts; reads them when they are due.
    bool Usable();
    void Build();

    TDbFileMgr& FMgr;
    TSearchTexts FTexts; // in Search's order: by kind, then by id
    bool FBuilt = false;
    bool FUnreadable = false; // the texts could not be read in this generation of the box
    uint64_t FGeneration = 0;
};
