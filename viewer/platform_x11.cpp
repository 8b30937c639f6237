// Linux and X11.
#include "platform.h"

#include <X11/Xlib.h>
#include <cstdio>
#include <unistd.h>

using namespace irr;

namespace {
int ReportXError(Display* display, XErrorEvent* event)
{
    char text[256] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "skyglass: X error ignored: %s (request %d.%d)\n", text,
                 event->request_code, event->minor_code);
    return 0;
}
} // namespace

bool InstallXErrorHandler()
{
    XSetErrorHandler(ReportXError);
    return true;
}

io::path ExecutableFolder()
{
    char target[4096];
    const ssize_t length = readlink("/proc/self/exe", target, sizeof target - 1);
    if (length <= 0)
        return io::path();
    target[length] = '\0';
    io::path folder(target);
    const s32 slash = folder.findLast('/');
    return slash < 0 ? io::path() : folder.subString(0, slash + 1);
}
