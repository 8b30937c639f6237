// Conversion to sRGB through a matrix-shaper profile: a curve per channel
// takes the samples to linear light, a matrix takes linear RGB to sRGB's
// (for grey, nothing: grey is neutral), and sRGB's curve takes that back to
// 8-bit samples. In fixed point, with tables for every sample value the
// picture can have, so that a pixel costs lookups and additions.
#pragma once

#include "row_sink.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace imagedecode {

class MatrixShaper
{
public:
    // `linear(channel, v)`: the profile's curve of the channel (0 for grey)
    // at v from 0 to 1; `matrix`: linear samples to linear sRGB, by rows;
    // `encode`: sRGB's curve from linear light (0 to 1) to its samples (0 to
    // 1).
    MatrixShaper(PixelLayout samples, const std::function<double(int, double)>& linear,
                 const double matrix[9], const std::function<double(double)>& encode);

    // From `samples` to TextureLayoutFor(samples).
    void convert(const unsigned char* in, unsigned char* out, std::size_t pixels) const;

private:
    template <PixelLayout Samples>
    void run(const unsigned char* in, unsigned char* out, std::size_t pixels) const;

    PixelLayout samples_;
    // For each output channel and input channel, every sample value's part
    // of the output's linear light (1 = 1 << 14): the input curve times the
    // matrix's coefficient.
    std::vector<std::int32_t> parts_[9];
    std::vector<unsigned char> encode_; // linear sRGB (1 = 1 << 14) to its 8-bit samples
    std::vector<unsigned char> grey_;   // grey: sample value straight to its 8-bit sRGB
};

} // namespace imagedecode
