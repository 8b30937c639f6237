// How a picture becomes its texture, decided once from the picture's
// description, before its first row is decoded: how its colours are
// converted to sRGB, how a cylindrical panorama is re-projected, the size it
// is shown at, where it lies on the sphere, and which way the camera opens.
// A picture covers the whole sphere unless its GPano metadata says it is a
// partial panorama; then renderers with texture matrices place the texture
// on its part of the sphere, and the others get the picture padded with
// black to the full panorama.
#pragma once

#include "colour_transform.h"
#include "cropped_area.h"
#include "imagedecode.h"
#include "placement.h"
#include "texture_size.h"

#include <memory>
#include <string>

namespace gpano {

struct TexturePlan
{
    Verdict verdict;                  // what the metadata says
    imagedecode::PictureSize picture; // the picture's size in the texture
    imagedecode::PictureSize texture; // the texture: the picture, or the canvas it is padded into
    std::uint32_t left = 0, top = 0;  // where the picture lies in it
    TexturePlacement placement;       // where the texture lies on the sphere
    // The conversion of the picture's samples as its colour profile says;
    // without one, samples not in a texture's layout are taken for sRGB.
    std::shared_ptr<const imagedecode::ColourTransform> colour;
    std::string colourProblem; // why the picture's colour profile is not used
    // A cylindrical panorama: its crop of the cylinder, the same crop of an
    // equirectangular panorama it is re-projected into and placed as, and
    // how many rows it has re-projected at the picture's own width.
    bool reprojected() const { return projectedHeight > 0; }
    CroppedArea cylinder, equirectangular;
    std::uint32_t projectedHeight = 0;
    // The camera's heading at the first frame: degrees turned right.
    float heading = 0.0f;

    bool padded() const { return !(texture == picture); }
};

// The plan for a picture of `description` on a renderer whose textures have
// `limits`, and that pads partial panoramas or places them itself.
TexturePlan PlanTexture(const imagedecode::ImageDescription& description,
                        const imagedecode::TextureLimits& limits, bool padsPartialPanoramas);

} // namespace gpano
