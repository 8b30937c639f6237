// Where decoders put their rows. A decoder never holds a picture of its own:
// it declares the picture, then hands its rows, in bands, to a sink that the
// caller gives. Sinks chain: a stage takes rows and hands rows on to the next
// sink (reducing or placing them as they come), and the last one keeps them
// (PictureBuffer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace imagedecode {

// The layouts of a texture's pixels: Rgb24, three bytes per pixel in the
// order red, green, blue (the engine's ECF_R8G8B8); Argb32, one native
// 32-bit word 0xAARRGGBB per pixel (the engine's ECF_A8R8G8B8; bytes blue,
// green, red, alpha on little-endian).
//
// And the samples as a file stores them, which a decoder hands on for the
// colour stage to convert when the file has a colour profile: grey, grey
// and alpha, 8 bits each; the same with 16-bit samples, and 16-bit RGB and
// RGBA, each sample big-endian (as PNG stores them); CMYK as Adobe stores it,
// each byte 255 - ink.
enum class PixelLayout
{
    Rgb24,
    Argb32,
    Grey8,
    GreyAlpha8,
    Grey16,
    GreyAlpha16,
    Rgb48,
    Rgba64,
    Cmyk32
};

constexpr std::size_t BytesPerPixel(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Grey8:
        return 1;
    case PixelLayout::GreyAlpha8:
    case PixelLayout::Grey16:
        return 2;
    case PixelLayout::Rgb24:
        return 3;
    case PixelLayout::Argb32:
    case PixelLayout::GreyAlpha16:
    case PixelLayout::Cmyk32:
        return 4;
    case PixelLayout::Rgb48:
        return 6;
    case PixelLayout::Rgba64:
        return 8;
    }
    return 4;
}

// Whether a texture takes rows of this layout as they are.
constexpr bool IsTextureLayout(PixelLayout layout)
{
    return layout == PixelLayout::Rgb24 || layout == PixelLayout::Argb32;
}

// The texture's layout for samples of this layout: with alpha or without.
constexpr PixelLayout TextureLayoutFor(PixelLayout samples)
{
    switch (samples) {
    case PixelLayout::Argb32:
    case PixelLayout::GreyAlpha8:
    case PixelLayout::GreyAlpha16:
    case PixelLayout::Rgba64:
        return PixelLayout::Argb32;
    default:
        return PixelLayout::Rgb24;
    }
}

constexpr bool IsGreyLayout(PixelLayout layout)
{
    return layout == PixelLayout::Grey8 || layout == PixelLayout::GreyAlpha8 ||
           layout == PixelLayout::Grey16 || layout == PixelLayout::GreyAlpha16;
}

// Whether the samples are 16 bits each.
constexpr bool IsWideLayout(PixelLayout layout)
{
    return layout == PixelLayout::Grey16 || layout == PixelLayout::GreyAlpha16 ||
           layout == PixelLayout::Rgb48 || layout == PixelLayout::Rgba64;
}

// A 16-bit sample (big-endian) to 8 bits, rounded as libpng scales it.
inline unsigned char Scale16To8(const unsigned char* sample)
{
    const unsigned v = unsigned(sample[0]) << 8 | sample[1];
    return static_cast<unsigned char>((v * 255 + 32895) >> 16);
}

// A CMYK pixel as Adobe stores it (each byte 255 - ink) to RGB, by its ink.
inline void CmykToRgb(const unsigned char* cmyk, unsigned char* rgb)
{
    const unsigned k = cmyk[3];
    rgb[0] = static_cast<unsigned char>(cmyk[0] * k / 255);
    rgb[1] = static_cast<unsigned char>(cmyk[1] * k / 255);
    rgb[2] = static_cast<unsigned char>(cmyk[2] * k / 255);
}

// The order in which a decoder hands its rows: from the top row (index 0)
// down, or from the bottom row (index height - 1) up.
enum class RowOrder
{
    TopDown,
    BottomUp
};

struct PictureSize
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    bool operator==(const PictureSize& other) const
    {
        return width == other.width && height == other.height;
    }
};

struct PictureInfo
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelLayout layout = PixelLayout::Rgb24;
    RowOrder order = RowOrder::TopDown;
    // More than 1 (interlaced pictures): every row is handed once per pass,
    // each pass in the same order, and each pass completes what the earlier
    // ones wrote.
    unsigned passes = 1;
};

// Largest picture of several passes that a stage keeps whole until its last
// pass, when the stage must change its rows.
constexpr std::uint64_t MaxPassesPixels = std::uint64_t(16384) * 8192;

// Whether a stage may keep the picture whole until its last pass; if not,
// says why, with what the stage would have done to it (`done`, "reduced").
inline bool MayKeepWhole(const PictureInfo& picture, const char* done, std::string& reason)
{
    if (std::uint64_t(picture.width) * picture.height <= MaxPassesPixels)
        return true;
    reason = "an interlaced picture of more than " + std::to_string(MaxPassesPixels >> 20) +
             " megapixels cannot be " + done + "; save it without interlacing";
    return false;
}

// Most rows in one band.
constexpr std::uint32_t MaxBandRows = 16;

// The decoder's side of the protocol, in this order:
// 1. begin(picture) once, before anything else. A sink that cannot take the
//    picture returns false and says why; the decoder then stops and fails
//    with that reason.
// 2. For each band: band(first, count) gives the memory of the picture rows
//    first .. first + count - 1 (1 <= count <= MaxBandRows), `stride` bytes
//    from one row to the next, width pixels each in the declared layout. The
//    decoder fills the rows of the band, then commit(first, count) hands over
//    the rows it finished: all of the band, or (a decoder that got fewer rows
//    than it asked for) the first rows of a top-down band or the last rows of
//    a bottom-up one. Rows not committed belong to the next band.
// 3. Every row is committed exactly once per pass, in the declared order: a
//    top-down band starts at the first row not yet committed, a bottom-up
//    band ends at the last row not yet committed.
// 4. In a picture of several passes, each pass starts over at the first row
//    in the declared order, and band() then gives memory that holds what the
//    earlier passes committed there. A sink that cannot keep rows refuses
//    such pictures in begin().
// A decoder that fails stops at any point; the rows committed by then are
// the sink's to drop. After the last commit of a picture decoded without
// failure, the sink has every row.
class RowSink
{
public:
    virtual ~RowSink() = default;

    virtual bool begin(const PictureInfo& picture, std::string& reason) = 0;
    virtual unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) = 0;
    virtual void commit(std::uint32_t first, std::uint32_t count) = 0;
};

} // namespace imagedecode
