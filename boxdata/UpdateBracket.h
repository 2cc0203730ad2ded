// Keeps a table's file handle open across several writes (one open, one flush at the end) and
// closes the bracket on every path, errors included.
#pragma once

#include "storage/Nork.h"

class TUpdateBracket {
public:
    explicit TUpdateBracket(TNorkTable& Table) : FTable(Table) { FTable.BeginUpdate(); }
    ~TUpdateBracket() noexcept(false)
    {
        // While an error is already on its way out, a failing close must not end the program.
        if (std::uncaught_exceptions() > FUncaught) {
            try {
                FTable.EndUpdate();
            } catch (...) {
            }
        } else {
            FTable.EndUpdate();
        }
    }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    TNorkTable& FTable;
    int FUncaught = std::uncaught_exceptions();
};
