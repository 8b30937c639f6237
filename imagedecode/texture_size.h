// The size a picture is shown at: no larger than the texture the renderer
// will really use. Pure arithmetic; the viewer asks its driver for the
// limits.
#pragma once

#include "row_sink.h"

#include <cstdint>

namespace imagedecode {

// No texture side beyond this, whatever the driver says, and no texture of
// more pixels (16384 x 8192, 512 MiB at 32 bits a pixel).
constexpr std::uint32_t MaxTextureSide = 16384;
constexpr std::uint64_t MaxTexturePixels = std::uint64_t(16384) * 8192;

// How a driver without textures of any size makes a picture's texture: the
// next power of two up on each side (the engine's Software renderer), or
// the one below (BurningsVideo).
enum class PowerOfTwo
{
    Any,
    RoundUp,
    RoundDown
};

struct TextureLimits
{
    std::uint32_t maxWidth = MaxTextureSide;
    std::uint32_t maxHeight = MaxTextureSide;
    PowerOfTwo powerOfTwo = PowerOfTwo::Any;
};

// The limits of a driver whose largest texture is `maxWidth` x `maxHeight`
// (0 when it does not say).
TextureLimits LimitsForDriver(std::uint32_t maxWidth, std::uint32_t maxHeight,
                              PowerOfTwo powerOfTwo);

// Whether a picture is shown as it is: each side within the limits, and at
// most MaxTexturePixels.
bool FitsTexture(PictureSize picture, const TextureLimits& limits);

// The picture itself when it fits; otherwise the largest size within the
// limits that keeps its aspect ratio (each side at least 1 pixel and at
// most the picture's), made a power of two on each side the way the driver
// would make it.
PictureSize TextureSize(PictureSize picture, const TextureLimits& limits);

} // namespace imagedecode
