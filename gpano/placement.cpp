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
                                 std::uint32_t pictureHeight, const TextureLimit& limit)
{
    // The full panorama at the picture's scale, then as much smaller as the
    // limit needs.
    const double width = double(area.fullWidth) * pictureWidth / area.width;
    const double height = double(area.fullHeight) * pictureHeight / area.height;
    const double scale = std::min({1.0, limit.maxSide / width, limit.maxSide / height,
                                   std::sqrt(double(limit.maxPixels) / (width * height))});
    const auto pixels = [](double n) {
        return static_cast<std::uint32_t>(std::max(1.0, std::round(n)));
    };
    PaddedPanorama padded;
    if (scale >= 1.0) {
        padded.width = pixels(width);
        padded.height = pixels(height);
        padded.pictureWidth = pictureWidth;
        padded.pictureHeight = pictureHeight;
    } else {
        // Rounded down, so that the limit holds.
        padded.width = std::max(1u, static_cast<std::uint32_t>(width * scale));
        padded.height = std::max(1u, static_cast<std::uint32_t>(height * scale));
        padded.pictureWidth = pixels(pictureWidth * scale);
        padded.pictureHeight = pixels(pictureHeight * scale);
    }
    padded.pictureWidth = std::min(padded.pictureWidth, padded.width);
    padded.pictureHeight = std::min(padded.pictureHeight, padded.height);
    padded.left = (padded.width - padded.pictureWidth) / 2;
    padded.top = std::min(padded.height - padded.pictureHeight,
                          static_cast<std::uint32_t>(
                              std::lround(double(area.top) * padded.pictureHeight / area.height)));
    return padded;
}

} // namespace gpano
