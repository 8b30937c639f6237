// Text over the scene, for what the viewer must tell a user who sees no
// console, such as why the panorama shows no picture.
#pragma once

#include <irrlicht.h>

// Shows `text` (UTF-8) at the top of the window, wrapped to its width, light
// on a dark box, until the window closes; the frame loop's guienv->drawAll()
// draws it. Drawn in `font`, or in the engine's built-in font when that is
// null. Returns the box.
irr::gui::IGUIElement* ShowNotice(irr::gui::IGUIEnvironment* guienv, const char* text,
                                  irr::gui::IGUIFont* font = 0);

// The pixel size of the notice font that reads well on a screen `height`
// pixels high: the largest drawn size up to a 44th of it, at least the smallest.
irr::u32 NoticeFontSize(irr::u32 height);
