// What a video driver's textures can hold, and whether it can place a
// partial panorama on its part of the sphere itself.
#pragma once

#include <irrlicht.h>

#include "texture_size.h"

// The largest texture the driver makes, and how it rescales pictures that
// are not a power of two on a side.
imagedecode::TextureLimits TextureLimitsOf(irr::video::IVideoDriver* driver);

// Whether the driver gets partial panoramas padded with black to the full
// panorama, having no texture matrix and border clamping to place them.
bool PadsPartialPanoramas(irr::video::IVideoDriver* driver);
