// Finding the viewer's data files.
#pragma once

#include <irrlicht.h>

// Loads the panorama mesh "media/360.x" from the first folder that has one the
// engine can read: the working directory, the folder of the executable, the
// installed data folder. Null when none has, after one line on standard error.
irr::scene::IAnimatedMesh* LoadPanoramaMesh(irr::scene::ISceneManager* smgr);
