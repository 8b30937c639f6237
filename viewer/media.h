// Finding the viewer's data files.
#pragma once

#include <irrlicht.h>

// Loads the panorama mesh "media/360.x" from the first folder that has one the
// engine can read: the working directory, the folder of the executable, the
// installed data folder. Null when none has, after one line on standard error.
irr::scene::IAnimatedMesh* LoadPanoramaMesh(irr::scene::ISceneManager* smgr);

// The notice font for this window's height ("media/notice-<size>.xml" and its
// texture), from the same folders. Null, silently, when none is found: the
// engine's built-in font then draws notices.
irr::gui::IGUIFont* LoadNoticeFont(irr::gui::IGUIEnvironment* guienv);
