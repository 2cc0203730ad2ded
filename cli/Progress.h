// The progress bar of a rebuild, drawn on stderr only when stderr is a terminal.
#pragma once

#include "boxdata/DbFileMgr.h"

// Sets the data layer's progress function for its lifetime.
class TProgressBar {
public:
    TProgressBar(TDbFileMgr& Box, const char* Label);
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

private:
    void Draw(int PercentDone);

    TDbFileMgr& FBox;
    const char* FLabel;
    bool FShown = false;
    int FLast = -1;
};
