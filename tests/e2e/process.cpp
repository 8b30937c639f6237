#include "process.h"

#include "x11_testing.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

Process::Process(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workdir)
    : outputFile(workdir + "/.stdout"), errorFile(workdir + "/.stderr")
{
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid = fork();
    if (pid == 0) {
        const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(workdir.c_str()) != 0)
            _exit(127);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

Process::~Process()
{
    if (pid > 0 && running()) {
        kill(pid, SIGKILL);
        waitForExit();
    }
}

bool Process::running()
{
    if (ended || pid <= 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid)
        return true;
    ended = true;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

int Process::waitForExit(std::chrono::milliseconds limit)
{
    x11testing::waitUntil([this] { return !running(); }, limit);
    return ended ? exitCode : -1;
}

std::string Process::output() const
{
    return contents(outputFile);
}

std::string Process::errorOutput() const
{
    return contents(errorFile);
}
