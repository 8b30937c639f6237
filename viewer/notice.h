// Text over the scene, for what the viewer must tell a user who sees no
// console, such as why the panorama shows no picture.
#pragma once

#include <irrlicht.h>

// Shows `text` (UTF-8) at the top of the window, wrapped to its width, light
// on a dark box, until the window closes; the frame loop's guienv->drawAll()
// draws it. Returns the box.
irr::gui::IGUIElement* ShowNotice(irr::gui::IGUIEnvironment* guienv, const char* text);
