// Vesper: a small procedural layer over the Irrlicht engine.
//
// Meshes and scene nodes are addressed by slot number in two fixed tables, one
// camera is kept, and free functions with the prefix "vp" place, turn, scale,
// show, hide and measure them. Every variable here is program-wide and shared
// by name with the embedding program, which fills the slots and the camera.
//
// Contract: the toolkit checks nothing and reports nothing. Callers keep to it:
//  - a slot number is below 65536 and names a filled slot;
//  - `camera` is set before any camera operation (vpPositionCamera to
//    vpWalkCamera; the distance operations do not use it);
//  - `gti` is set before vpPasteTool, `subtitlesbg` before vpPasteSubtitles,
//    and `driver` and `guienv` exist before any overlay operation;
//  - nothing is used after the engine device has been dropped.
// The toolkit never grabs or drops a reference: the engine owns every object.
// Debug builds assert the slot and camera rules; release builds do not.
#pragma once

#include <irrlicht.h>

// Slot tables, indexed directly by slot number.
constexpr irr::u32 vpSlotCount = 65536;
extern irr::scene::IAnimatedMesh* mesh[vpSlotCount];
extern irr::scene::ISceneNode* node[vpSlotCount];

extern irr::scene::ICameraSceneNode* camera; // the single camera

extern irr::core::vector3df campos;     // base position of vpMoveCamera, vpWalkCamera and distances
extern irr::core::vector3df camrot;     // base rotation of the camera
extern irr::f32 sincamrotx, coscamrotx; // cached sine and cosine of the camera's pitch
extern irr::f32 sincamroty, coscamroty; // cached sine and cosine of the camera's yaw
extern irr::core::vector3df step;       // offset from campos applied by the last vpMoveCamera

// Overlay elements and their rectangles, set by the embedding program.
extern irr::gui::IGUIImage* gti;         // the tool image
extern irr::core::rect<irr::s32> tixy;   // the tool image's rectangle
extern irr::gui::IGUIImage* subtitlesbg; // the subtitle background
extern irr::core::rect<irr::s32> stxy;   // the subtitle background's rectangle

// Defined by the embedding program: its video driver and GUI environment.
extern irr::video::IVideoDriver* driver;
extern irr::gui::IGUIEnvironment* guienv;

// Objects (nodes) by slot.
void vpPositionObject(irr::u32 slot, irr::f32 x, irr::f32 y, irr::f32 z);
void vpRotateObject(irr::u32 slot, irr::f32 x, irr::f32 y, irr::f32 z);
void vpScaleObject(irr::u32 slot, irr::f32 x, irr::f32 y, irr::f32 z);
irr::f32 vpObjectPositionX(irr::u32 slot);
irr::f32 vpObjectPositionY(irr::u32 slot);
irr::f32 vpObjectPositionZ(irr::u32 slot);
irr::f32 vpObjectRotationX(irr::u32 slot);
irr::f32 vpObjectRotationY(irr::u32 slot);
irr::f32 vpObjectRotationZ(irr::u32 slot);
void vpShowObject(irr::u32 slot);
void vpHideObject(irr::u32 slot);

// The camera.
void vpPositionCamera(irr::f32 x, irr::f32 y, irr::f32 z);
irr::f32 vpCameraPositionX();
irr::f32 vpCameraPositionY();
irr::f32 vpCameraPositionZ();
void vpRotateCamera(irr::f32 x, irr::f32 y, irr::f32 z);
irr::f32 vpCameraRotationX();
irr::f32 vpCameraRotationY();
irr::f32 vpCameraRotationZ();
void vpMoveCamera(irr::f32 d);
void vpWalkCamera(irr::f32 d);

// Distances from campos (not from the camera node) and between two nodes.
irr::f32 vpCameraDistance2D(irr::u32 slot);
irr::f32 vpCameraDistance(irr::u32 slot);
irr::f32 vpObjectsDistance(irr::u32 a, irr::u32 b);

// Screen overlays drawn by the GUI environment.
void vpPasteImage(const char* path, irr::s32 x, irr::s32 y);
void vpPasteTool(const char* name);
void vpPasteSubtitles(const char* name);
