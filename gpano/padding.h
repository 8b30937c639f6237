// A partial panorama padded with black to the full panorama, for renderers
// that cannot place a picture on part of the sphere themselves.
#pragma once

#include "placement.h"
#include "row_sink.h"

#include <memory>

namespace gpano {

// The picture (`layout`, rows top to bottom without padding, exactly
// padded.pictureWidth x padded.pictureHeight) copied into a new canvas of
// padded.width x padded.height at (padded.left, padded.top); the rest is
// opaque black. Null when there is not enough memory.
std::unique_ptr<unsigned char[]> PadPicture(const unsigned char* pixels,
                                            imagedecode::PixelLayout layout,
                                            const PaddedPanorama& padded);

} // namespace gpano
