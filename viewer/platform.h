// What the viewer needs from the operating system and the window system
// beyond the engine.
#ifndef SKYGLASS_VIEWER_PLATFORM_H
#define SKYGLASS_VIEWER_PLATFORM_H

#include <irrlicht.h>

// Makes X protocol errors non-fatal: each is reported in one line on standard
// error and the program goes on. Xlib's default handler ends the process, for
// example when an OpenGL driver cannot set the swap interval.
bool InstallXErrorHandler();

// The folder holding the running executable, ending with '/'; empty when it
// cannot be found out.
irr::io::path ExecutableFolder();

#endif
