// The viewer's program-wide state, defined in main.cpp, and the operations
// that build and keep its scene.
#ifndef SKYGLASS_VIEWER_VIEWER_H
#define SKYGLASS_VIEWER_VIEWER_H

#include <irrlicht.h>

#include "receiver.h"
#include "settings.h"
#include "vesper.h" // camera, mesh, node, driver, guienv

extern irr::u8 buf[SettingsReadSize];        // the first bytes of "config.cfg"
extern irr::IrrlichtDevice* nulldev;       // probe device, only for its file system
extern irr::io::IFileSystem* FileSystem;   // the probe device's file system
extern irr::io::IReadFile* file;           // "config.cfg" while it is read
extern irr::u8 renderer;                   // engine driver type
extern irr::s32 resx, resy;                // window size
extern irr::u8 bpp;                        // colour depth
extern irr::s8 screenmode, stencil, vsync; // full screen, stencil buffer, vertical sync
extern MyEventReceiver receiver;           // the device's event receiver
extern irr::IrrlichtDevice* device;        // the viewer's device
extern irr::scene::ISceneManager* smgr;    // its scene manager
extern irr::SKeyMap keyMap[4];             // the camera's movement keys
extern irr::video::ITexture* cylinder;     // the panorama image; may be null

// Fills keyMap with W, S, A and D for forward, backward, left and right.
void CreateKeymap();

// Builds the scene: the FPS camera into `camera`, kept level as it animates, the panorama mesh into
// slot 0 of `mesh`, its node into slot 0 of `node`, drawn unlit with `cylinder`. Returns false,
// after one line on standard error, when the panorama mesh cannot be loaded; the scene then has the
// camera and nothing else.
bool CreateWorld();

// Keeps the camera's heading and sets its pitch and roll back to 0.
void AlignCamera();

#endif
