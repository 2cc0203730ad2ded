// The command lines of an interactive session: on a terminal through editline (line editing and
// a history kept in memory only, never written to disk), else line by line from standard input.
// Reading ends early when the user is idle too long or a terminating signal comes.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

enum TSessionRead {
    srLine,   // a line was read
    srEnd,    // end of input
    srIdle,   // nothing typed for the idle time
    srSignal  // SIGINT, SIGTERM or SIGHUP came (Signal() names it)
};

class TSessionInput {
public:
    explicit TSessionInput(std::chrono::milliseconds IdleTime);
    ~TSessionInput();
    TSessionInput(const TSessionInput&) = delete;
    TSessionInput& operator=(const TSessionInput&) = delete;

    // Shows Prompt and reads one line into Line (without its line break).
    TSessionRead Read(const std::string& Prompt, std::string& Line);
    int Signal() const;

    // Splits a line into words as a shell does (quotes, backslashes); false for an unmatched quote.
    bool Split(const std::string& Line, std::vector<std::string>& Words);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
