// What the viewer needs from the operating system and the window system
// beyond the engine.
#pragma once

#include <irrlicht.h>

#include <string>

// Makes X protocol errors non-fatal: each is reported in one line on standard
// error and the program goes on. Xlib's default handler ends the process, for
// example when an OpenGL driver cannot set the swap interval.
void InstallXErrorHandler();

// What the X display named by DISPLAY offers a window: a connection and, when
// asked for, GLX, which OpenGL needs. The connection stays open until
// ReleaseDisplay(), so that a server that resets when its last client leaves
// is still there when the engine connects.
enum EDisplayCheck
{
    EDC_NOT_SET,     // DISPLAY is not set
    EDC_CANNOT_OPEN, // no connection to the display
    EDC_NO_GLX,      // connected, but the display has no GLX
    EDC_READY
};
EDisplayCheck CheckDisplay(bool needsGlx);

// Closes the connection CheckDisplay opened, if any.
void ReleaseDisplay();

// The display DISPLAY names; empty when it is not set.
const char* DisplayName();

// Why the existing file `name` cannot be read: the system's reason, or "not a
// regular file"; empty when it can be read or does not exist.
std::string UnreadableFileReason(const char* name);

// An OpenGL function beyond the library's first versions, for the current
// context; null when there is none.
void* GlFunction(const char* name);

// Gives the system back the memory freed since the start that the program
// still holds, in every thread's heap: the picture's decoding freed its
// buffers on a thread of its own, whose heap the first frame does not use.
void ReturnFreedMemory();

// The folder holding the running executable, ending with '/'; empty when it
// cannot be found out.
irr::io::path ExecutableFolder();
