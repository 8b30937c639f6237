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

// Each part of a sum of three stays far enough from the 32-bit limits that
// the sum cannot pass them; a profile's own matrix keeps them below 4 * One.
constexpr double MostPart = double(1 << 28);

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
    for (int c = 0; c < 3; ++c) {
        std::vector<double> curve(values);
        for (std::size_t v = 0; v < values; ++v)
            curve[v] = Within(linear(c, double(v) / (values - 1)), 0.0, 1.0);
        for (int row = 0; row < 3; ++row) {
            std::vector<std::int32_t>& part = parts_[3 * row + c];
            part.resize(values);
            for (std::size_t v = 0; v < values; ++v)
                part[v] = std::int32_t(
                    std::lround(Within(matrix[3 * row + c] * curve[v] * One, -MostPart, MostPart)));
        }
    }
    encode_.resize(One + 1);
    for (std::int32_t v = 0; v <= One; ++v)
        encode_[v] = Byte(encode(double(v) / One));
}

template <PixelLayout Samples>
void MatrixShaper::run(const unsigned char* in, unsigned char* out, std::size_t pixels) const
{
    constexpr std::size_t InBytes = BytesPerPixel(Samples);
    constexpr bool Alpha = TextureLayoutFor(Samples) == PixelLayout::Argb32;
    constexpr bool Grey = IsGreyLayout(Samples);
    constexpr bool Wide16 = IsWideLayout(Samples);
    const unsigned char* grey = grey_.data();
    const std::int32_t* parts[9];
    for (int i = 0; i < 9; ++i)
        parts[i] = parts_[i].data();
    const unsigned char* encode = encode_.data();
    const auto channel = [&](std::size_t r, std::size_t g, std::size_t b, int row) {
        const std::int32_t v = parts[3 * row][r] + parts[3 * row + 1][g] + parts[3 * row + 2][b];
        return encode[std::clamp(v, 0, One)];
    };
    for (std::size_t i = 0; i < pixels; ++i, in += InBytes, out += Alpha ? 4 : 3) {
        unsigned char red, green, blue, alpha = 255;
        if constexpr (Grey) {
            red = green = blue = grey[Wide16 ? LoadBe16(in) : in[0]];
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
            red = channel(r, g, b, 0);
            green = channel(r, g, b, 1);
            blue = channel(r, g, b, 2);
        }
        if constexpr (Alpha) {
            out[0] = blue, out[1] = green, out[2] = red, out[3] = alpha;
        } else {
            out[0] = red, out[1] = green, out[2] = blue;
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
