// Finding the viewer's data files.
#ifndef SKYGLASS_VIEWER_MEDIA_H
#define SKYGLASS_VIEWER_MEDIA_H

#include <irrlicht.h>

// The panorama mesh, relative to a media folder's parent.
extern const char* const PanoramaMeshName; // "media/360.x"

// The folders searched for data files, in order: the working directory, the
// folder of the executable, the installed data folder. Each ends with '/'
// except the first, which is empty.
irr::core::array<irr::io::path> MediaSearchFolders();

// Loads the panorama mesh from the first folder that has one the engine can
// read. Null when none has, after one line on standard error.
irr::scene::IAnimatedMesh* LoadPanoramaMesh(irr::scene::ISceneManager* smgr);

#endif
