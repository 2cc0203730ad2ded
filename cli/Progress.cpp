#include "cli/Progress.h"

#include "cli/PasswordInput.h"

#include <algorithm>
#include <iostream>
#include <string>

TProgressBar::TProgressBar(TDbFileMgr& Box, const char* Label) : FBox(Box), FLabel(Label)
{
    if (StderrIsTerminal())
        FBox.SetOnProgress([this](int PercentDone) { Draw(PercentDone); });
}

TProgressBar::~TProgressBar()
{
    FBox.SetOnProgress(nullptr);
    if (FShown)
        std::cerr << '\n';
}

void TProgressBar::Draw(int PercentDone)
{
    const int p = std::clamp(PercentDone, 0, 100);
    if (p == FLast)
        return;
    FLast = p;
    constexpr int kWidth = 40;
    const int filled = p * kWidth / 100;
    std::cerr << '\r' << FLabel << " [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << p << "%" << std::flush;
    FShown = true;
}
