#include "cli/SignalHold.h"

#include <csignal>
#include <cstring>
#include <ctime>

namespace {

int HoldDepth = 0;
int HeldSignal = 0;
sigset_t OldMask;

sigset_t Held()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

TSignalHold::TSignalHold()
{
    if (HoldDepth++ == 0) {
        const sigset_t set = Held();
        sigprocmask(SIG_BLOCK, &set, &OldMask);
    }
}

TSignalHold::~TSignalHold()
{
    if (--HoldDepth != 0)
        return;
    const sigset_t set = Held();
    const timespec now{0, 0};
    for (int sig; (sig = sigtimedwait(&set, nullptr, &now)) > 0;)
        if (HeldSignal == 0)
            HeldSignal = sig;
    sigprocmask(SIG_SETMASK, &OldMask, nullptr);
}

ECliInterrupted::ECliInterrupted(int Signal, const std::string& FileName)
    : ECliError(ecFileFault, FileName + ": stopped by SIG" + sigabbrev_np(Signal) +
                                 " after the change was written in full"),
      FSignal(Signal)
{
}

void RaiseIfInterrupted(const std::string& FileName)
{
    const int sig = HeldSignal;
    HeldSignal = 0;
    if (sig != 0)
        throw ECliInterrupted(sig, FileName);
}
