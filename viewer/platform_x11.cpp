// Linux and X11.
#include "platform.h"

#include "regular_file.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <unistd.h>

using namespace irr;

namespace {
Display* checkeddisplay = 0; // the connection CheckDisplay opened

int ReportXError(Display* display, XErrorEvent* event)
{
    char text[256] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "skyglass: X error ignored: %s (request %d.%d)\n", text,
                 event->request_code, event->minor_code);
    return 0;
}
} // namespace

void InstallXErrorHandler()
{
    XSetErrorHandler(ReportXError);
}

EDisplayCheck CheckDisplay(bool needsGlx)
{
    if (!*DisplayName())
        return EDC_NOT_SET;
    ReleaseDisplay();
    checkeddisplay = XOpenDisplay(0);
    if (!checkeddisplay)
        return EDC_CANNOT_OPEN;
    int opcode = 0, firstEvent = 0, firstError = 0;
    const bool glx = XQueryExtension(checkeddisplay, "GLX", &opcode, &firstEvent, &firstError);
    return needsGlx && !glx ? EDC_NO_GLX : EDC_READY;
}

void ReleaseDisplay()
{
    if (checkeddisplay)
        XCloseDisplay(checkeddisplay);
    checkeddisplay = 0;
}

const char* DisplayName()
{
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

std::string UnreadableFileReason(const char* name)
{
    std::string reason;
    const int fd = imagedecode::OpenRegularFile(name, reason);
    if (fd >= 0)
        ::close(fd);
    else if (errno == ENOENT)
        reason.clear();
    return reason;
}

void* GlFunction(const char* name)
{
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

void ReturnFreedMemory()
{
    malloc_trim(0);
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
