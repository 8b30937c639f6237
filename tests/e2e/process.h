// A program started in the folder `workdir`, its output collected in files there.
#pragma once

#include "x11_testing.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

class Process
{
public:
    Process(const std::string& program, std::vector<std::string> arguments,
            const std::string& folder)
        : workdir(folder)
    {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (std::string& word : arguments)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        if ((pid = fork()) == 0 && chdir(workdir.c_str()) == 0 &&
            dup2(open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO) >= 0 &&
            dup2(open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO) >= 0)
            execv(program.c_str(), argv.data());
        if (pid == 0)
            _exit(127);
    }
    ~Process() { running() && kill(pid, SIGKILL) == 0 && waitForExit(); }

    bool running()
    {
        int status = 0;
        if (exitCode < 0 && waitpid(pid, &status, WNOHANG) == pid)
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exitCode < 0;
    }
    // The exit code (128 + a signal's number); -1 when it still runs after a minute.
    int waitForExit()
    {
        x11testing::waitUntil([this] { return !running(); });
        return exitCode;
    }
    std::string output() const { return contents("/.stdout"); }
    std::string errorOutput() const { return contents("/.stderr"); }

private:
    std::string contents(const std::string& name) const
    {
        std::ifstream in(workdir + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string workdir;
    pid_t pid = -1;
    int exitCode = -1;
};
