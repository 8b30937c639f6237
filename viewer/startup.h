// The start-up's checks. Each refuses what cannot work with one line on
// standard error, so that the viewer never ends, or shows nothing, without
// saying why.
#pragma once

#include <irrlicht.h>

// False when `name` exists but cannot be read as settings (it cannot be
// opened, or it is no regular file); the built-in settings apply then, as for
// a missing file.
bool AcceptSettingsFile(const char* name);

// False for a renderer this system does not have: Direct3D 8 and 9, and the
// numbers 6 and above.
bool AcceptRenderer(irr::u8 renderer);

// True when a device with this renderer and size may be created: the null
// renderer takes any size, every other one 1 to 16384 per side and at most
// 8192 x 8192 pixels in all, since the memory a window costs follows its area
// (the engine opens an X window for them, which a size of 0 kills and a huge
// size crashes).
bool AcceptWindowSize(irr::u8 renderer, irr::s32 resx, irr::s32 resy);

// True when the renderer can open its window: the null renderer needs no
// display, the others an X display to connect to, and OpenGL one with GLX.
bool AcceptDisplay(irr::u8 renderer);

// Reports that the display could not start this renderer, suggesting the
// others.
void ReportRendererFailure(irr::u8 renderer);
