// The viewer's program-wide state that its library reads, defined in main.cpp,
// and the operations that build and draw its scene.
#pragma once

#include <irrlicht.h>

#include "placement.h"
#include "vesper.h" // camera, mesh, node, driver, guienv

extern irr::scene::ISceneManager* smgr;   // the device's scene manager
extern irr::SKeyMap keyMap[4];            // the camera's movement keys
extern irr::video::ITexture* cylinder;    // the panorama image; may be null
extern gpano::TexturePlacement placement; // where the image lies on the sphere: all of it, or part
extern irr::f32 heading;                  // the camera's at the first frame, degrees turned right
// On OpenGL, the material that draws the viewer's own texture; else -1.
extern irr::s32 panoramamaterial;

// Fills keyMap with W, S, A and D for forward, backward, left and right.
void CreateKeymap();

// Builds the scene: the FPS camera into `camera`, turned to `heading` and
// kept level as it animates, the panorama mesh into slot 0 of `mesh`, its
// node into slot 0 of `node`, drawn unlit with `cylinder` (or, on OpenGL,
// `panoramamaterial`) where `placement` puts it, black around a partial
// panorama. Returns false, after one line on standard error, when the
// panorama mesh cannot be loaded; the scene then has the camera and nothing
// else.
bool CreateWorld();

// Keeps the camera's heading and sets its pitch and roll back to 0.
void AlignCamera();

// One frame of the frame loop: the camera levelled, then the scene and the GUI
// environment over it.
void DrawFrame();
