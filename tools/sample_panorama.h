// A sample equirectangular panorama that the project paints itself: a sky
// with the sun, snowy mountains and green hills on the horizon, a meadow with
// a lake, and the four compass directions marked by coloured posts with their
// letters (N straight ahead at the image centre, E a quarter to the right,
// S on the seam, W a quarter to the left).
#pragma once

#include <irrlicht.h>

namespace samplepano {

// Marker colours of the compass posts and letters.
const irr::video::SColor north(255, 220, 40, 40); // red
const irr::video::SColor east(255, 245, 200, 30); // yellow
const irr::video::SColor south(255, 40, 90, 230); // blue
const irr::video::SColor west(255, 40, 190, 70);  // green

// Paints the whole image (any size, 2:1 is the intended shape). The image must
// have a colour format that `setPixel` writes (ECF_R8G8B8 or ECF_A8R8G8B8).
void paint(irr::video::IImage& image);

} // namespace samplepano
