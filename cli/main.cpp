// zembrix-cli: the password box from the command line.
#include "cli/SignalHold.h"
#include "cli/ToolRun.h"

#include <csignal>

int main(int argc, char** argv)
{
    try {
        return RunTool(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const ECliInterrupted& e) {
        // The change was written; now the signal may do what it came for.
        PrintError(e.Message());
        std::signal(e.Signal(), SIG_DFL);
        std::raise(e.Signal());
        return 128 + e.Signal();
    }
}
