// Where a partial panorama goes on the sphere. The panorama mesh's texture
// coordinates (u, v) cover the whole sphere: u from 0 to 1 all the way round,
// heading 0 at u = 0.5, v from 0 at the top to 1 at the bottom. The cropped
// area keeps its latitudes exactly and is turned so that its centre is at
// heading 0.
#pragma once

#include "cropped_area.h"
#include "texture_size.h"

namespace gpano {

// The picture is found at s = scaleU * u + offsetU, t = scaleV * v + offsetV;
// outside 0 to 1 the sphere has no picture. Along an axis the cropped area
// covers whole (a full-width strip, a full-height slice), the picture wraps
// as any panorama does.
struct TexturePlacement
{
    float scaleU = 1.0f, offsetU = 0.0f;
    float scaleV = 1.0f, offsetV = 0.0f;
    bool wholeWidth = true, wholeHeight = true;
};

TexturePlacement PlaceOnSphere(const CroppedArea& area);

// True when the placement puts the picture on part of the sphere only.
inline bool IsPartial(const TexturePlacement& placement)
{
    return !placement.wholeWidth || !placement.wholeHeight;
}

// For renderers without texture matrices: the picture padded with black to
// the full panorama, a canvas of width x height in which the picture,
// pictureWidth x pictureHeight, starts at (left, top). The canvas keeps the
// scale of the picture when it fits the renderer's textures; otherwise it
// gets the texture size (texture_size.h) and the picture is reduced in the
// same proportion.
struct PaddedPanorama
{
    std::uint32_t width = 0, height = 0;
    std::uint32_t pictureWidth = 0, pictureHeight = 0;
    std::uint32_t left = 0, top = 0;
};

PaddedPanorama PadToFullPanorama(const CroppedArea& area, std::uint32_t pictureWidth,
                                 std::uint32_t pictureHeight,
                                 const imagedecode::TextureLimits& limits);

} // namespace gpano
