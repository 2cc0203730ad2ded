#include "services/RunCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int RunCommand(const std::vector<std::string>& Argv)
{
    if (Argv.empty())
        return -1;
    std::vector<char*> args;
    for (const std::string& a : Argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool FindInPath(const std::string& Program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    const std::string_view dirs = path;
    std::size_t pos = 0;
    while (pos <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', pos), dirs.size());
        const std::string_view dir = dirs.substr(pos, end - pos);
        // An empty entry stands for the current folder.
        const std::string candidate = dir.empty() ? Program : std::string(dir) + "/" + Program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
        pos = end + 1;
    }
    return false;
}
