// Conversion to sRGB through a matrix-shaper profile: a curve per channel
// takes the samples to linear light, a matrix takes linear RGB to sRGB's
// (for grey, nothing: grey is neutral), and sRGB's curve takes that back to
// 8-bit samples. In fixed point, with tables for every sample value the
// picture can have, so that a pixel costs lookups and additions: for RGB,
// each sample value's parts of the three outputs packed in one word, so
// that three lookups and two additions give all three sums, and each sum
// indexes a table of its 8-bit value directly.
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

    // Fields of a packed word: one per output channel.
    static constexpr int FieldBits = 21;
    static constexpr std::uint64_t FieldMask = (std::uint64_t(1) << FieldBits) - 1;

    PixelLayout samples_;
    // For each input channel, every sample value's parts of the output
    // channels' linear light (1 = 1 << 14), the input curve times the
    // matrix's coefficients, less each part's least value, in the fields.
    std::vector<std::uint64_t> packed_[3];
    // Every sum the fields can hold to its 8-bit sRGB sample, clamped to
    // black and white; each field's sums start at its own offset in it.
    std::vector<unsigned char> sums_;
    std::size_t sumStart_[3] = {};
    std::vector<unsigned char> grey_; // grey: sample value straight to its 8-bit sRGB
};

} // namespace imagedecode
