// Valid pictures of every format and variant, written by the tests
// themselves, and helpers to damage them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testimages {

using Bytes = std::vector<unsigned char>;

// A picture as 0xAARRGGBB words, rows top to bottom.
struct Picture
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint32_t> argb;

    std::uint32_t at(unsigned x, unsigned y) const { return argb[y * width + x]; }
};

// Distinct colours everywhere; opaque unless `alpha`.
Picture MakeTrueColor(unsigned width, unsigned height, bool alpha);
// Built from `colors` palette entries (indices in `indices`).
struct Paletted
{
    Picture picture;
    std::vector<std::uint32_t> palette;
    std::vector<unsigned char> indices;
};
Paletted MakePaletted(unsigned width, unsigned height, unsigned colors);
// Grey levels only.
Picture MakeGrey(unsigned width, unsigned height, bool alpha);

struct BmpOptions
{
    unsigned bpp = 24;
    bool rle = false;
    bool topDown = false;
    bool bitfields565 = false;
};
Bytes EncodeBmp(const Paletted& p, const Picture& truecolor, const BmpOptions& options);

enum class PcxKind
{
    Mono,
    Planar16,
    Packed16,
    Indexed256,
    Rgb
};
Bytes EncodePcx(const Paletted& p, const Picture& truecolor, PcxKind kind);

// kind 1..6 as the magic number; maxValue 255 or more.
Bytes EncodePnm(const Picture& picture, int kind, unsigned maxValue);

Bytes EncodePsd(const Picture& picture, bool alpha, bool rle, bool grey = false);
Bytes EncodeSgi(const Picture& picture, unsigned channels, bool rle);

struct TgaOptions
{
    unsigned type = 2; // 1, 2, 3, 9, 10, 11
    unsigned depth = 24;
    bool topDown = false;
    unsigned mapBits = 24;
};
Bytes EncodeTga(const Paletted& p, const Picture& truecolor, const TgaOptions& options);

enum class JpegKind
{
    Rgb,
    Grey,
    Cmyk,
    Progressive,
    ManyScans // progressive, one scan per coefficient and component: 190 scans
};
Bytes EncodeJpeg(const Picture& picture, JpegKind kind, int quality = 90);

enum class PngKind
{
    Rgb,
    Rgba,
    Grey,
    GreyAlpha,
    Palette,
    PaletteTransparent,
    Rgb16,
    Interlaced
};
Bytes EncodePng(const Picture& picture, const Paletted& p, PngKind kind);

Bytes EncodeWal(const Paletted& p);
Bytes EncodeLmp(const Paletted& p);

} // namespace testimages
