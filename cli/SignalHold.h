// Holds off SIGINT, SIGTERM and SIGHUP while a change of a box is being written, so that Ctrl-C,
// a terminal that closes or a polite kill never cuts a change in half: the signal waits until
// the change is complete (or taken back), and the tool then ends as the signal asked.
#pragma once

#include "cli/CliError.h"

#include <string>

class TSignalHold {
public:
    // Blocks the three signals (holds nest; the outermost one decides).
    TSignalHold();
    // Unblocks them; one that arrived meanwhile is taken and kept for RaiseIfInterrupted.
    ~TSignalHold();
    TSignalHold(const TSignalHold&) = delete;
    TSignalHold& operator=(const TSignalHold&) = delete;
};

// A signal held off during a change, passed on to main once the change is done: main names it,
// then ends the process by it (so a shell sees an interrupted command).
class ECliInterrupted : public ECliError {
public:
    ECliInterrupted(int Signal, const std::string& FileName);
    int Signal() const { return FSignal; }

private:
    int FSignal;
};

// Raises ECliInterrupted when a hold that ended took a signal (and forgets it).
void RaiseIfInterrupted(const std::string& FileName);
