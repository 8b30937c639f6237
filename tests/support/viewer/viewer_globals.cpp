// The viewer's program-wide variables, which its main unit defines and its
// library reads, for programs that use the library without that main unit:
// the null-driver tests and the filtering benchmark.
#include "viewer.h"

using namespace irr;

scene::ISceneManager* smgr;
video::IVideoDriver* driver;
gui::IGUIEnvironment* guienv;
SKeyMap keyMap[4];
video::ITexture* cylinder;
gpano::TexturePlacement placement;
f32 heading;
s32 panoramamaterial = -1;
