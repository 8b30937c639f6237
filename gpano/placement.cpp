#include "placement.h"

#include <algorithm>
#include <cmath>

namespace gpano {

TexturePlacement PlaceOnSphere(const CroppedArea& area)
{
    // s = (u * fullWidth - (fullWidth - width) / 2) / width: the area's
    // centre at u = 0.5. t = (v * fullHeight - top) / height.
    TexturePlacement placement;
    placement.scaleU = float(double(area.fullWidth) / area.width);
    placement.offsetU = float(0.5 - 0.5 * area.fullWidth / area.width);
    placement.scaleV = float(double(area.fullHeight) / area.height);
    placement.offsetV = float(-double(area.top) / area.height);
    placement.wholeWidth = area.width == area.fullWidth;
    placement.wholeHeight = area.height == area.fullHeight;
    return placement;
}

PaddedPanorama PadToFullPanorama(const CroppedArea& area, std::uint32_t pictureWidth,
                                 std::uint32_t pictureHeight,
                                 const imagedecode::TextureLimits& limits)
{
    const auto pixels = [](double n, std::uint32_t most) {
        return static_cast<std::uint32_t>(std::clamp(std::round(n), 1.0, double(most)));
    };
    // The full panorama at the picture's scale, then the texture's size.
    const imagedecode::PictureSize atScale{
        pixels(double(area.fullWidth) * pictureWidth / area.width,
               imagedecode::MaxTextureSide * 64),
        pixels(double(area.fullHeight) * pictureHeight / area.height,
               imagedecode::MaxTextureSide * 64)};
    const imagedecode::PictureSize canvas = imagedecode::TextureSize(atScale, limits);
    PaddedPanorama padded;
    padded.width = canvas.width;
    padded.height = canvas.height;
    padded.pictureWidth = canvas == atScale
                              ? std::min(pictureWidth, canvas.width)
                              : pixels(double(area.width) * canvas.width / area.fullWidth,
                                       std::min(pictureWidth, canvas.width));
    padded.pictureHeight = canvas == atScale
                               ? std::min(pictureHeight, canvas.height)
                               : pixels(double(area.height) * canvas.height / area.fullHeight,
                                        std::min(pictureHeight, canvas.height));
    padded.left = (padded.width - padded.pictureWidth) / 2;
    padded.top = std::min(padded.height - padded.pictureHeight,
                          static_cast<std::uint32_t>(
                              std::lround(double(area.top) * padded.pictureHeight / area.height)));
    return padded;
}

} // namespace gpano
