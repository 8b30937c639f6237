#include "matrix_shaper.h"

#include "byte_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imagedecode {

namespace {

constexpr std::int32_t One = 1 << 14; // linear light in fixed point

// A number from a profile, which may be anything, within [low, high]; 0
// when it is no number.
double Within(double v, double low, double high)
{
    return std::isfinite(v) ? std::clamp(v, low, high) : 0.0;
}

unsigned char Byte(double v)
{
    return static_cast<unsigned char>(std::lround(Within(v, 0.0, 1.0) * 255));
}

// A part of an output's sum, from a coefficient of the profile's matrix
// times a curve's value, stays within 8 times white: real profiles' stay
// within 3, and so every field's sums fit its bits and the table of sums
// stays small whatever a profile says.
constexpr double MostPart = 8.0 * One;

} // namespace

MatrixShaper::MatrixShaper(PixelLayout samples, const std::function<double(int, double)>& linear,
                           const double matrix[9], const std::function<double(double)>& encode)
    : samples_(samples)
{
    const std::size_t values = IsWideLayout(samples) ? 65536 : 256;
    if (IsGreyLayout(samples)) {
        grey_.resize(values);
        for (std::size_t v = 0; v < values; ++v)
            grey_[v] = Byte(encode(Within(linear(0, double(v) / (values - 1)), 0.0, 1.0)));
        return;
    }
    // Each part, less the least value it takes, in its output's field; the
    // least values summed are where that output's sums start.
    static_assert(3 * 2 * MostPart <= double(FieldMask), "a field holds every sum of its parts");
    std::int64_t least[3] = {}, most[3] = {};
    std::vector<std::int32_t> part(values);
    for (int c = 0; c < 3; ++c) {
        std::vector<double> curve(values);
        for (std::size_t v = 0; v < values; ++v)
            curve[v] = Within(linear(c, double(v) / (values - 1)), 0.0, 1.0);
        packed_[c].assign(values, 0);
        for (int out = 0; out < 3; ++out) {
            for (std::size_t v = 0; v < values; ++v)
                part[v] = std::int32_t(
                    std::lround(Within(matrix[3 * out + c] * curve[v] * One, -MostPart, MostPart)));
            const auto [low, high] = std::minmax_element(part.begin(), part.end());
            least[out] += *low;
            most[out] += *high;
            for (std::size_t v = 0; v < values; ++v)
                packed_[c][v] |= std::uint64_t(part[v] - *low) << (FieldBits * out);
        }
    }
    std::vector<unsigned char> encoded(One + 1);
    for (std::int32_t v = 0; v <= One; ++v)
        encoded[v] = Byte(encode(double(v) / One));
    const std::int64_t first = *std::min_element(least, least + 3);
    const std::int64_t last = *std::max_element(most, most + 3);
    sums_.resize(std::size_t(last - first + 1));
    for (std::int64_t v = first; v <= last; ++v)
        sums_[std::size_t(v - first)] = encoded[std::size_t(std::clamp<std::int64_t>(v, 0, One))];
    for (int out = 0; out < 3; ++out)
        sumStart_[out] = std::size_t(least[out] - first);
}

template <PixelLayout Samples>
void MatrixShaper::run(const unsigned char* in, unsigned char* out, std::size_t pixels) const
{
    constexpr std::size_t InBytes = BytesPerPixel(Samples);
    constexpr bool Alpha = TextureLayoutFor(Samples) == PixelLayout::Argb32;
    constexpr bool Grey = IsGreyLayout(Samples);
    constexpr bool Wide16 = IsWideLayout(Samples);
    const unsigned char* grey = grey_.data();
    const std::uint64_t* red = packed_[0].data();
    const std::uint64_t* green = packed_[1].data();
    const std::uint64_t* blue = packed_[2].data();
    const unsigned char* sums[3];
    for (int channel = 0; channel < 3; ++channel)
        sums[channel] = sums_.data() + sumStart_[channel];
    for (std::size_t i = 0; i < pixels; ++i, in += InBytes, out += Alpha ? 4 : 3) {
        unsigned char r8, g8, b8, alpha = 255;
        if constexpr (Grey) {
            r8 = g8 = b8 = grey[Wide16 ? LoadBe16(in) : in[0]];
            if constexpr (Alpha)
                alpha = Wide16 ? Scale16To8(in + 2) : in[1];
        } else {
            std::size_t r, g, b;
            if constexpr (Samples == PixelLayout::Argb32) // bytes blue, green, red, alpha
                b = in[0], g = in[1], r = in[2], alpha = in[3];
            else if constexpr (Wide16)
                r = LoadBe16(in), g = LoadBe16(in + 2), b = LoadBe16(in + 4);
            else
                r = in[0], g = in[1], b = in[2];
            if constexpr (Samples == PixelLayout::Rgba64)
                alpha = Scale16To8(in + 6);
            const std::uint64_t fields = red[r] + green[g] + blue[b];
            r8 = sums[0][fields & FieldMask];
            g8 = sums[1][(fields >> FieldBits) & FieldMask];
            b8 = sums[2][fields >> (2 * FieldBits)];
        }
        if constexpr (Alpha) {
            out[0] = b8, out[1] = g8, out[2] = r8, out[3] = alpha;
        } else {
            out[0] = r8, out[1] = g8, out[2] = b8;
        }
    }
}

void MatrixShaper::convert(const unsigned char* in, unsigned char* out, std::size_t pixels) const
{
    switch (samples_) {
    case PixelLayout::Rgb24:
        return run<PixelLayout::Rgb24>(in, out, pixels);
    case PixelLayout::Argb32:
        return run<PixelLayout::Argb32>(in, out, pixels);
    case PixelLayout::Rgb48:
        return run<PixelLayout::Rgb48>(in, out, pixels);
    case PixelLayout::Rgba64:
        return run<PixelLayout::Rgba64>(in, out, pixels);
    case PixelLayout::Grey8:
        return run<PixelLayout::Grey8>(in, out, pixels);
    case PixelLayout::GreyAlpha8:
        return run<PixelLayout::GreyAlpha8>(in, out, pixels);
    case PixelLayout::Grey16:
        return run<PixelLayout::Grey16>(in, out, pixels);
    case PixelLayout::GreyAlpha16:
        return run<PixelLayout::GreyAlpha16>(in, out, pixels);
    case PixelLayout::Cmyk32:
        return;
    }
}

} // namespace imagedecode
