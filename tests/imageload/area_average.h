// The area filter worked out the plain way, to check the reductions
// against: the picture `from` reduced to `to`, rows of `channels` samples.
#pragma once

#include "row_sink.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace testimages {

// Each output pixel: the sum of every input pixel times the area of it that
// the output pixel covers, divided by the output pixel's area, rounded.
// Coordinates are scaled by the product of the sizes to stay whole numbers.
inline std::vector<unsigned char> AreaAverage(const std::vector<unsigned char>& in,
                                              imagedecode::PictureSize from,
                                              imagedecode::PictureSize to, unsigned channels)
{
    const auto overlap = [](std::uint64_t a0, std::uint64_t a1, std::uint64_t b0,
                            std::uint64_t b1) {
        return std::max(a0, b0) < std::min(a1, b1) ? std::min(a1, b1) - std::max(a0, b0) : 0;
    };
    std::vector<unsigned char> out;
    const std::uint64_t area = std::uint64_t(from.width) * from.height;
    for (std::uint64_t oy = 0; oy < to.height; ++oy)
        for (std::uint64_t ox = 0; ox < to.width; ++ox)
            for (unsigned c = 0; c < channels; ++c) {
                std::uint64_t sum = 0;
                for (std::uint64_t y = 0; y < from.height; ++y)
                    for (std::uint64_t x = 0; x < from.width; ++x)
                        sum += in[(y * from.width + x) * channels + c] *
                               overlap(x * to.width, (x + 1) * to.width, ox * from.width,
                                       (ox + 1) * from.width) *
                               overlap(y * to.height, (y + 1) * to.height, oy * from.height,
                                       (oy + 1) * from.height);
                out.push_back(static_cast<unsigned char>((2 * sum + area) / (2 * area)));
            }
    return out;
}

} // namespace testimages
