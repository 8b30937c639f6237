// PNG files decode exactly as libpng's simplified reader
// (png_image_finish_read) reads them, gamma, sRGB, chromaticities, ICC
// profiles and transparency included, from memory and as a file read while
// it is decoded; files of 16 bits per sample as the reader reads them when
// told that such samples are sRGB like 8-bit ones, so that the same picture
// looks the same at either depth.
#include "bytes_file.h"
#include "checking_sink.h"
#include "image_file.h"
#include "imagedecode.h"
#include "picture_buffer.h"
#include "testimages.h"

#include <gtest/gtest.h>
#include <png.h>

namespace {

using Bytes = std::vector<unsigned char>;

struct PngCase
{
    std::string name;
    int colorType;
    int depth;
    bool interlaced = false;
    png_fixed_point gamma = 0;   // gAMA, when not 0
    bool srgb = false;           // sRGB
    bool chromaticities = false; // cHRM of other primaries than sRGB's
    bool profile = false;        // iCCP
    bool transparency = false;   // tRNS
};

// A minimal ICC profile that libpng accepts: a display profile of the PNG's
// colour space with an empty tag table.
Bytes IccProfile(bool grey)
{
    Bytes p(132, 0);
    auto be32 = [&](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            p[at + k] = static_cast<unsigned char>(v >> (24 - 8 * k));
    };
    be32(0, 132);
    be32(8, 0x02100000);
    be32(12, 0x6D6E7472);                                  // 'mntr'
    be32(16, grey ? 0x47524159 : 0x52474220);              // 'GRAY' or 'RGB '
    be32(20, 0x58595A20);                                  // 'XYZ '
    be32(36, 0x61637370);                                  // 'acsp'
    be32(68, 0xF6D6), be32(72, 0x10000), be32(76, 0xD32D); // D50
    return p;
}

Bytes Encode(const PngCase& c, png_uint_32 width, png_uint_32 height)
{
    Bytes out;
    png_structp png = testimages::PngWriterInto(out);
    png_infop info = png_create_info_struct(png);
    png_set_IHDR(png, info, width, height, c.depth, c.colorType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const int entries = 1 << c.depth;
    std::vector<png_color> palette;
    for (int i = 0; i < entries && c.colorType == PNG_COLOR_TYPE_PALETTE; ++i)
        palette.push_back({png_byte(i * 37), png_byte(255 - i * 11), png_byte(i * i)});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (c.transparency) {
        std::vector<png_byte> alpha;
        for (int i = 0; i < (entries + 1) / 2; ++i)
            alpha.push_back(png_byte(i * 53));
        const unsigned wide = c.depth == 16 ? 257 : 1; // the same key at either depth
        png_color_16 key{0, png_uint_16(90 * wide), png_uint_16(60 * wide), png_uint_16(200 * wide),
                         png_uint_16((1 << std::min(c.depth, 8)) / 3 * wide)};
        png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), &key);
    }
    if (c.gamma)
        png_set_gAMA_fixed(png, info, c.gamma);
    if (c.srgb)
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    if (c.chromaticities)
        png_set_cHRM_fixed(png, info, 31270, 32900, 67000, 33000, 21000, 71000, 14000, 8000);
    const Bytes profile = IccProfile(!(c.colorType & PNG_COLOR_MASK_COLOR));
    if (c.profile)
        png_set_iCCP(png, info, "test", 0, profile.data(), png_uint_32(profile.size()));
    png_write_info(png, info);
    // Every byte value is a valid sample at any depth, and a valid index
    // into a full palette. Wide samples hold the same values as narrow ones
    // (v * 257) unless `rows` is given.
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const std::size_t sampleBytes = c.depth == 16 ? 2 : 1;
    Bytes rows(rowBytes * height);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<unsigned char>((i / sampleBytes * 151 + i / rowBytes * 29) ^
                                             (i / sampleBytes >> 3));
    std::vector<png_bytep> pointers;
    for (png_uint_32 y = 0; y < height; ++y)
        pointers.push_back(rows.data() + y * rowBytes);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool HasChunk(const Bytes& b, const char* name)
{
    return std::search(b.begin(), b.end(), name, name + 4) != b.end();
}

// What the simplified reader makes of the file: RGB, or BGRA with alpha;
// 16-bit samples are sRGB, as 8-bit ones.
Bytes SimplifiedRead(const Bytes& b, bool& alpha)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, b.data(), b.size())) << image.message;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    alpha = image.format & PNG_FORMAT_FLAG_ALPHA;
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_RGB;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    return pixels;
}

Bytes Pixels(const imagedecode::PictureBuffer& picture)
{
    const imagedecode::PictureInfo& info = picture.picture();
    return Bytes(picture.pixels(), picture.pixels() + std::size_t(info.width) * info.height *
                                                          imagedecode::BytesPerPixel(info.layout));
}

// Test failures name the case instead of dumping its bytes.
void PrintTo(const PngCase& c, std::ostream* os)
{
    *os << c.name;
}

class PngVariants : public testing::TestWithParam<PngCase>
{};

TEST_P(PngVariants, MatchTheSimplifiedReader)
{
    const PngCase& c = GetParam();
    const Bytes file = Encode(c, 19, 37); // rows in several bands
    for (const auto& [wanted, chunk] : {std::pair(c.gamma != 0, "gAMA"),
                                        {c.srgb, "sRGB"},
                                        {c.chromaticities, "cHRM"},
                                        {c.profile, "iCCP"},
                                        {c.transparency, "tRNS"}})
        ASSERT_EQ(HasChunk(file, chunk), wanted) << chunk;
    // libpng 1.6.39's simplified reader mixes up the rows of interlaced
    // 16-bit files; the same picture without interlacing is read right.
    PngCase flat = c;
    flat.interlaced = false;
    bool alpha = false;
    const Bytes expected = SimplifiedRead(c.depth == 16 ? Encode(flat, 19, 37) : file, alpha);

    CheckingSink checking(imagedecode::FormatOf(imagedecode::FileFormat::Png).flags);
    const Decoded checked = DecodeBytesForTexture(file, checking);
    ASSERT_TRUE(checked.decoded) << checked.reason;
    EXPECT_EQ(checking.faults(), "");
    // A colour profile's samples are converted after their last pass.
    EXPECT_EQ(checking.picture().passes, c.interlaced && !c.profile ? 7u : 1u);
    EXPECT_EQ(checking.picture().layout,
              alpha ? imagedecode::PixelLayout::Argb32 : imagedecode::PixelLayout::Rgb24);
    EXPECT_EQ(checking.pixels(), expected);

    // A PNG is read as it is decoded.
    EXPECT_TRUE(checked.format->flags & imagedecode::Streamed);
}

constexpr int Grey = PNG_COLOR_TYPE_GRAY, GreyAlpha = PNG_COLOR_TYPE_GRAY_ALPHA;
constexpr int Rgb = PNG_COLOR_TYPE_RGB, Rgba = PNG_COLOR_TYPE_RGB_ALPHA;
constexpr int Palette = PNG_COLOR_TYPE_PALETTE;
constexpr png_fixed_point Gamma18 = 55556, GammaSrgb = 45455, Linear = 100000;

INSTANTIATE_TEST_SUITE_P(
    Chunks, PngVariants,
    testing::Values(
        PngCase{"Grey1", Grey, 1}, PngCase{"Grey2", Grey, 2},
        PngCase{"Grey4Transparent", Grey, 4, false, 0, false, false, false, true},
        PngCase{"Grey8Gamma", Grey, 8, false, Gamma18},
        PngCase{"Grey8Profile", Grey, 8, false, 0, false, false, true},
        PngCase{"GreyAlphaGamma", GreyAlpha, 8, false, Gamma18}, PngCase{"Rgb", Rgb, 8},
        PngCase{"RgbGammaSrgb", Rgb, 8, false, GammaSrgb},
        PngCase{"RgbLinear", Rgb, 8, false, Linear}, PngCase{"RgbSrgb", Rgb, 8, false, 0, true},
        PngCase{"RgbChromaticities", Rgb, 8, false, Gamma18, false, true},
        PngCase{"RgbProfile", Rgb, 8, false, 0, false, false, true},
        PngCase{"RgbTransparentGamma", Rgb, 8, false, Gamma18, false, false, false, true},
        PngCase{"RgbaGamma", Rgba, 8, false, Gamma18}, PngCase{"RgbaSrgb", Rgba, 8, false, 0, true},
        PngCase{"Palette1", Palette, 1}, PngCase{"Palette2", Palette, 2},
        PngCase{"Palette4TransparentGamma", Palette, 4, false, Gamma18, false, false, false, true},
        PngCase{"Palette8Transparent", Palette, 8, false, 0, false, false, false, true},
        PngCase{"InterlacedRgbGamma", Rgb, 8, true, Gamma18},
        PngCase{"InterlacedPalette2Transparent", Palette, 2, true, 0, false, false, false, true},
        PngCase{"InterlacedGreyAlpha", GreyAlpha, 8, true},
        PngCase{"InterlacedRgbaLinear", Rgba, 8, true, Linear}, PngCase{"Rgb16", Rgb, 16},
        PngCase{"Grey16Gamma", Grey, 16, false, Gamma18},
        PngCase{"Grey16Transparent", Grey, 16, false, 0, false, false, false, true},
        PngCase{"GreyAlpha16Linear", GreyAlpha, 16, false, Linear},
        PngCase{"Rgb16TransparentGamma", Rgb, 16, false, Gamma18, false, false, false, true},
        PngCase{"Rgba16Srgb", Rgba, 16, false, 0, true},
        PngCase{"Rgba16Profile", Rgba, 16, false, 0, false, false, true},
        PngCase{"InterlacedRgba16Gamma", Rgba, 16, true, Gamma18},
        PngCase{"InterlacedRgb16", Rgb, 16, true}, PngCase{"InterlacedGrey16", Grey, 16, true},
        PngCase{"InterlacedRgba16", Rgba, 16, true}),
    [](const testing::TestParamInfo<PngCase>& test) { return test.param.name; });

// The same picture stored with 16 bits per sample looks as it does with 8:
// gamma and transparency alike, the samples within 1.
TEST_P(PngVariants, LookTheSameAtEitherDepth)
{
    PngCase c = GetParam();
    if (c.depth != 16)
        return;
    const Bytes wide = Encode(c, 19, 37);
    c.depth = 8;
    const Bytes narrow = Encode(c, 19, 37);
    imagedecode::PictureBuffer fromWide, fromNarrow;
    const Decoded w = DecodeBytesForTexture(wide, fromWide),
                  n = DecodeBytesForTexture(narrow, fromNarrow);
    ASSERT_TRUE(w.decoded && n.decoded) << w.reason << n.reason;
    const Bytes a = Pixels(fromWide), b = Pixels(fromNarrow);
    ASSERT_EQ(a.size(), b.size());
    int differences = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > 1 && ++differences <= 5)
            ADD_FAILURE() << "byte " << i << ": " << int(a[i]) << " at 16 bits, " << int(b[i])
                          << " at 8";
}

} // namespace
