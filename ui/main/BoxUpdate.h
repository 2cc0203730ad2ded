// Brackets a change of several records of the open box (DbFileMgr.BeginUpdate and EndUpdate),
// closed on every way out of the scope.
#pragma once

#include "boxdata/DbFileMgr.h"

#include <exception>

class TBoxUpdate {
public:
    // Raises what BeginUpdate raises.
    TBoxUpdate() { DbFileMgr.BeginUpdate(); }
    // EndUpdate's error passes on unless another error is already on its way out.
    ~TBoxUpdate() noexcept(false)
    {
        if (std::uncaught_exceptions() > FUncaught) {
            try {
                DbFileMgr.EndUpdate();
            } catch (...) {
            }
        } else {
            DbFileMgr.EndUpdate();
        }
    }
    TBoxUpdate(const TBoxUpdate&) = delete;
    TBoxUpdate& operator=(const TBoxUpdate&) = delete;

private:
    int FUncaught = std::uncaught_exceptions();
};
