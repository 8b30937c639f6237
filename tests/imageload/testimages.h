// Valid pictures of every format and its key variants, written by the tests
// themselves: the files every image loading test starts from.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace testimages {

using Bytes = std::vector<unsigned char>;

// 0xAARRGGBB words, rows top to bottom; a paletted picture also keeps its
// palette and one index per pixel.
struct Picture
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint32_t> argb{};
    std::vector<std::uint32_t> palette{};
    Bytes indices{};

    std::uint32_t at(unsigned x, unsigned y) const { return argb[y * width + x]; }
};

// Distinct colours (or grey levels), opaque unless `alpha`.
Picture MakeTrueColor(unsigned width, unsigned height, bool alpha, bool grey = false);
// Runs of `colors` palette entries (black and white for two).
Picture MakePaletted(unsigned width, unsigned height, unsigned colors);

// `order` names the bytes of each pixel in the file: R, G, B, A (alpha) or
// I (palette index). Run-length coding is for I only in BMP files.
Bytes EncodeBmp(const Picture& p, const std::string& order, bool rle = false, bool topDown = false);
Bytes EncodePcx(const Picture& p, const std::string& order);
Bytes EncodePnm(const Picture& p, const std::string& order, bool ascii = false); // RR..: 16 bits
Bytes EncodePsd(const Picture& p, const std::string& order, bool rle);
Bytes EncodeSgi(const Picture& p, const std::string& order, bool rle);
Bytes EncodeTga(const Picture& p, const std::string& order, bool rle = false, bool topDown = false);
enum class JpegKind
{
    Baseline,
    Progressive,
    ManyScans // one scan per coefficient and component: 190 scans
};
Bytes EncodeJpeg(const Picture& p, const std::string& order, JpegKind kind = JpegKind::Baseline,
                 int quality = 90);
// I is a palette with transparency; RRGGBB is 16-bit colour.
Bytes EncodePng(const Picture& p, const std::string& order, bool interlaced = false);
Bytes EncodeWal(const Picture& p);
Bytes EncodeLmp(const Picture& p);

} // namespace testimages

// A valid file and how the engine's own decoder reads it.
struct ImageCase
{
    std::string name;      // test name part
    std::string extension; // the engine picks its decoder by it
    testimages::Bytes bytes;
    // Where the engine misreads the variant, the expected pixels come from
    // the engine reading the same picture in a form it reads correctly.
    testimages::Bytes reference{};
    std::string referenceExtension{};
    unsigned precision = 8; // bits per channel the engine keeps; 5: no alpha either
};

std::vector<ImageCase> ValidCases();

// Test parameters print as their name.
inline void PrintTo(const ImageCase& c, std::ostream* os)
{
    *os << c.name;
}
