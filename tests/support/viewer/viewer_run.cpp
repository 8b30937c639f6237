#include "viewer_run.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

ViewerRun::~ViewerRun()
{
    if (running() && kill(pid, SIGKILL) == 0)
        waitForExit();
}

const char* ViewerRun::executable()
{
    return SKYGLASS_EXECUTABLE;
}

void ViewerRun::writeSettings(const Settings& settings) const
{
    const SettingsRecord record = EncodeSettings(settings);
    folder.write("config.cfg", std::string(record.begin(), record.end()));
}

void ViewerRun::copyViewerForAnotherUser()
{
    namespace fs = std::filesystem;
    const fs::perms readByAll = fs::perms::owner_read | fs::perms::owner_write |
                                fs::perms::group_read | fs::perms::others_read;
    const fs::perms runByAll =
        readByAll | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    const fs::path built = executable();
    const fs::path here = folder.path();

    fs::create_directory(here / "media");
    for (const fs::directory_entry& file : fs::directory_iterator(built.parent_path() / "media")) {
        const std::string name = file.path().filename().string();
        if (name == "360.x" || name.rfind("notice-", 0) == 0) {
            fs::copy_file(file.path(), here / "media" / name);
            fs::permissions(here / "media" / name, readByAll);
        }
    }
    program = here / built.filename();
    fs::copy_file(built, program);
    for (const fs::path& path : {fs::path(program), here / "media", here})
        fs::permissions(path, runByAll);
}

void ViewerRun::start(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& runner)
{
    if (running() && kill(pid, SIGKILL) == 0)
        waitForExit();
    std::vector<std::string> command = runner;
    command.push_back(program);
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : command)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    before = x.topLevelWindows();
    exitCode = -1;
    if ((pid = fork()) == 0 && chdir(folder.path().c_str()) == 0 &&
        dup2(open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO) >= 0 &&
        dup2(open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO) >= 0)
        execv(argv[0], argv.data());
    if (pid == 0)
        _exit(127);
}

x11testing::Window ViewerRun::waitForWindow() const
{
    return x.waitForNewWindow(before);
}

x11testing::Image ViewerRun::waitForFrame(x11testing::Window window) const
{
    x11testing::Image image;
    const bool drawn = x11testing::waitUntil([&] {
        image = x.grab(window);
        return !image.empty() && image.at(image.width / 2, image.height / 2) != 0;
    });
    return drawn ? image : x11testing::Image();
}

int ViewerRun::close(x11testing::Window window)
{
    x.sendDeleteWindow(window);
    return waitForExit();
}

int ViewerRun::waitForExit()
{
    x11testing::waitUntil([this] { return !running(); });
    return exitCode;
}

bool ViewerRun::running()
{
    int status = 0;
    if (pid > 0 && exitCode < 0 && waitpid(pid, &status, WNOHANG) == pid)
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return pid > 0 && exitCode < 0;
}
