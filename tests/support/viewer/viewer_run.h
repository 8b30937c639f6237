// The real viewer run in a folder of its own under the X display in DISPLAY:
// the folder prepared, the viewer started there with its output collected in
// files, its window found, read and closed.
#pragma once

#include "scratch_folder.h"
#include "settings_record.h"
#include "x11_testing.h"

#include <string>
#include <vector>

class ViewerRun
{
public:
    ViewerRun() = default;
    ~ViewerRun(); // ends a viewer still running

    static const char* executable(); // the viewer under test

    void writeSettings(const Settings& settings) const; // as "config.cfg"

    // For a run as another user: copies the viewer and the media it reads (the
    // mesh, the notice fonts) into the folder, opens the folder to every user
    // and runs the copy from then on. The build may lie where no other user can
    // go, such as under /root (mode 700).
    void copyViewerForAnotherUser();

    // Starts the viewer on `arguments` in the folder, through `runner` (such
    // as env and its options) when given; a viewer still running is ended.
    void start(const std::vector<std::string>& arguments,
               const std::vector<std::string>& runner = {});
    // The viewer's window once it is shown; 0 when none came within a minute.
    x11testing::Window waitForWindow() const;
    // The window once a frame is drawn over its black; empty when none came.
    x11testing::Image waitForFrame(x11testing::Window window) const;
    // Asks the window to close, as a window manager does, and waits for the end.
    int close(x11testing::Window window);
    // The exit code (128 + a signal's number); -1 when it still runs after a minute.
    int waitForExit();
    std::string output() const { return folder.read(".stdout"); }
    std::string errorOutput() const { return folder.read(".stderr"); }

    ScratchFolder folder;
    x11testing::Connection x;

private:
    bool running();

    std::string program = executable();     // what start() runs
    std::vector<x11testing::Window> before; // the windows there were at the start
    int pid = -1;
    int exitCode = -1;
};
