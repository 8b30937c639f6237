#include "texture_size.h"

#include <algorithm>
#include <cmath>

namespace imagedecode {

namespace {

std::uint32_t PowerOfTwoBelow(std::uint32_t n)
{
    std::uint32_t p = 1;
    while (p <= n / 2)
        p <<= 1;
    return p;
}

std::uint32_t PowerOfTwoAbove(std::uint32_t n)
{
    const std::uint32_t p = PowerOfTwoBelow(n);
    return p == n ? p : p << 1;
}

bool Within(std::uint64_t width, std::uint64_t height, const TextureLimits& limits)
{
    return width <= limits.maxWidth && height <= limits.maxHeight &&
           width * height <= MaxTexturePixels;
}

// Rounded up where that stays within the limits and the picture; on a side
// that cannot, down. When both can each alone but not together, the side
// that would be stretched less keeps its rounding up.
PictureSize ToPowersOfTwo(PictureSize size, PictureSize picture, const TextureLimits& limits)
{
    PictureSize down{PowerOfTwoBelow(size.width), PowerOfTwoBelow(size.height)};
    if (limits.powerOfTwo == PowerOfTwo::RoundDown)
        return down;
    PictureSize up{PowerOfTwoAbove(size.width), PowerOfTwoAbove(size.height)};
    if (up.width > picture.width || !Within(up.width, down.height, limits))
        up.width = down.width;
    if (up.height > picture.height || !Within(down.width, up.height, limits))
        up.height = down.height;
    if (!Within(up.width, up.height, limits)) {
        const double stretchWidth = double(up.width) / size.width;
        const double stretchHeight = double(up.height) / size.height;
        (stretchWidth > stretchHeight ? up.width : up.height) /= 2;
    }
    return up;
}

} // namespace

TextureLimits LimitsForDriver(std::uint32_t maxWidth, std::uint32_t maxHeight,
                              PowerOfTwo powerOfTwo)
{
    TextureLimits limits;
    limits.maxWidth = maxWidth ? std::min(maxWidth, MaxTextureSide) : MaxTextureSide;
    limits.maxHeight = maxHeight ? std::min(maxHeight, MaxTextureSide) : MaxTextureSide;
    limits.powerOfTwo = powerOfTwo;
    return limits;
}

bool FitsTexture(PictureSize picture, const TextureLimits& limits)
{
    return Within(picture.width, picture.height, limits);
}

PictureSize TextureSize(PictureSize picture, const TextureLimits& limits)
{
    if (FitsTexture(picture, limits) || picture.width == 0 || picture.height == 0)
        return picture;
    const double width = picture.width, height = picture.height;
    const double scale = std::min({limits.maxWidth / width, limits.maxHeight / height,
                                   std::sqrt(double(MaxTexturePixels) / (width * height))});
    const auto side = [&](double full, std::uint32_t most) {
        return std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::lround(full * scale)), 1,
                                         most);
    };
    PictureSize size{side(width, limits.maxWidth), side(height, limits.maxHeight)};
    // Rounding may have crossed the limit on pixels by a row or a column.
    while (std::uint64_t(size.width) * size.height > MaxTexturePixels)
        (size.width * height > size.height * width ? size.width : size.height) -= 1;
    if (limits.powerOfTwo != PowerOfTwo::Any)
        size = ToPowersOfTwo(size, picture, limits);
    return size;
}

} // namespace imagedecode
