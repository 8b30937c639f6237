// Pictures larger than the texture: the size they are shown at, and their
// reduction as they are decoded, against an area average worked out here
// pixel by pixel from the full picture.
#include "area_average.h"
#include "area_reducer.h"
#include "bytes_file.h"
#include "checking_sink.h"
#include "testimages.h"
#include "texture_decode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>

namespace {

using namespace imagedecode;
using testimages::AreaAverage;
using testimages::Bytes;

struct Outcome
{
    bool ok = false;
    std::string reason;
    PictureInfo picture;
    std::vector<unsigned char> pixels;
    DecodeWork work;
};

// Into the sink that checks the row protocol: with limits, the way the
// viewer takes a picture to a texture of those limits; without, the full
// picture.
Outcome Decode(const Bytes& file, const TextureLimits* limits = nullptr)
{
    Outcome d;
    const BytesFile bytes(file);
    ImageFile image;
    if (!image.open(bytes.path(), d.reason) || (image.format().flags & DecodedByEngine))
        return d;
    CheckingSink checking(image.format().flags);
    d.ok = limits ? gpano::DecodeForTexture(image,
                                            gpano::PlanTexture(image.description(), *limits, false),
                                            checking, d.reason)
                  : image.decode(checking, d.reason);
    d.work = image.work();
    EXPECT_EQ(checking.faults(), "");
    EXPECT_TRUE(!d.ok || checking.complete());
    d.picture = checking.picture();
    d.pixels = checking.pixels();
    return d;
}

class EveryFormat : public testing::TestWithParam<ImageCase>
{};

// Bottom-up, top-down and interlaced files of every format, to sizes that
// cut their pixels at fractions (13 x 7 and 13 x 37 to widths 8 to 12; to
// less than half, a JPEG would be decoded at half its size first).
TEST_P(EveryFormat, ReducesToTheAreaAverage)
{
    const Outcome full = Decode(GetParam().bytes);
    ASSERT_TRUE(full.ok) << full.reason;
    const PictureSize from{full.picture.width, full.picture.height};
    const unsigned channels = unsigned(BytesPerPixel(full.picture.layout));
    for (std::uint32_t width : {8u, 10u, 12u}) {
        TextureLimits limits;
        limits.maxWidth = width;
        const Outcome reduced = Decode(GetParam().bytes, &limits);
        ASSERT_TRUE(reduced.ok) << reduced.reason;
        const PictureSize to{reduced.picture.width, reduced.picture.height};
        EXPECT_EQ(to, TextureSize(from, limits));
        EXPECT_EQ(reduced.picture.layout, full.picture.layout);
        EXPECT_EQ(reduced.pixels, AreaAverage(full.pixels, from, to, channels)) << width;
    }
}

// The valid files of every format decoded here (not by the engine).
std::vector<ImageCase> DecodedHere()
{
    std::vector<ImageCase> cases = ValidCases();
    cases.erase(std::remove_if(cases.begin(), cases.end(),
                               [](const ImageCase& c) {
                                   return c.extension == "wal" || c.extension == "lmp";
                               }),
                cases.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(ValidFiles, EveryFormat, testing::ValuesIn(DecodedHere()),
                         [](const testing::TestParamInfo<ImageCase>& test) {
                             return test.param.name;
                         });

// The reducer alone on random pictures: ratios below 2, far above, one side
// unchanged, one side to a single pixel, and the largest sums (white).
TEST(AreaReducer, AveragesTheAreaEachOutputPixelCovers)
{
    struct Case
    {
        PictureSize from, to;
        unsigned channels;
        bool white;
    } cases[] = {{{37, 23}, {29, 17}, 3, false}, {{37, 23}, {5, 3}, 4, false},
                 {{16, 16}, {16, 7}, 3, false},  {{64, 5}, {1, 1}, 3, false},
                 {{3, 200}, {2, 1}, 4, false},   {{300, 20000}, {2, 3}, 3, true}};
    std::mt19937 random(7);
    for (const Case& c : cases) {
        std::vector<unsigned char> in(std::size_t(c.from.width) * c.from.height * c.channels, 255);
        if (!c.white)
            for (unsigned char& v : in)
                v = static_cast<unsigned char>(random());
        AreaReducer reducer;
        reducer.setUp(c.from, c.to, c.channels);
        std::vector<unsigned char> out;
        std::uint32_t expectedRow = 0;
        for (std::uint32_t y = 0; y < c.from.height; ++y) {
            std::uint32_t row = 0;
            if (const unsigned char* done =
                    reducer.add(in.data() + std::size_t(y) * c.from.width * c.channels, row)) {
                EXPECT_EQ(row, expectedRow++);
                out.insert(out.end(), done, done + std::size_t(c.to.width) * c.channels);
            }
        }
        EXPECT_EQ(expectedRow, c.to.height);
        if (c.white)
            EXPECT_EQ(out, std::vector<unsigned char>(out.size(), 255));
        else
            EXPECT_EQ(out, AreaAverage(in, c.from, c.to, c.channels))
                << c.from.width << " x " << c.from.height;
    }
}

// The size a picture is shown at, per driver: OpenGL (16384, any size),
// the Software renderer (65536, powers of two made larger), BurningsVideo
// (no largest size, powers of two made smaller), a driver of 8192.
TEST(TextureSize, KeepsTheAspectWithinTheDriversLimits)
{
    const TextureLimits openGl = LimitsForDriver(16384, 16384, PowerOfTwo::Any);
    const TextureLimits software = LimitsForDriver(65536, 65536, PowerOfTwo::RoundUp);
    const TextureLimits burnings = LimitsForDriver(0, 0, PowerOfTwo::RoundDown);
    const TextureLimits small = LimitsForDriver(8192, 8192, PowerOfTwo::Any);
    struct Case
    {
        const TextureLimits& limits;
        PictureSize picture, shown;
    } cases[] = {
        {openGl, {24000, 12000}, {16384, 8192}},
        {openGl, {30000, 15000}, {16384, 8192}},
        {openGl, {16384, 8192}, {16384, 8192}},   // fits: as it is
        {openGl, {16384, 8193}, {16383, 8192}},   // one row over 128 megapixels
        {openGl, {20000, 20000}, {11585, 11585}}, // 128 megapixels
        {openGl, {262144, 3}, {16384, 1}},        // a side that would round to 0
        {openGl, {5, 262144}, {1, 16384}},
        {software, {24000, 12000}, {16384, 8192}},
        {software, {6000, 3000}, {6000, 3000}},    // fits: the engine's own rescaling
        {software, {20000, 6000}, {16384, 4096}},  // 4915 rounds up past the picture's 6000
        {software, {20000, 9000}, {16384, 8192}},  // 7373 up to 8192
        {software, {20000, 12000}, {16384, 8192}}, // 9830 up would be 256 megapixels
        // Each side could be rounded up alone, not both: the side that would
        // be stretched less keeps it; of two stretched alike, the width.
        {software, {20000, 18000}, {16384, 8192}},
        {software, {18000, 20000}, {8192, 16384}},
        {software, {20000, 20000}, {16384, 8192}},
        {burnings, {20000, 10000}, {16384, 8192}},
        {burnings, {17000, 6000}, {16384, 4096}}, // 5782 down
        {small, {24000, 12000}, {8192, 4096}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextureSize(c.picture, c.limits), c.shown)
            << c.picture.width << " x " << c.picture.height;
    EXPECT_EQ(software.maxWidth, MaxTextureSide);
    EXPECT_EQ(burnings.maxHeight, MaxTextureSide);
}

// JPEG is decoded at 1/2, 1/4 or 1/8 of its size when that still covers
// the texture: a 64 x 32 file to a texture just below, at and above half
// its width, and to a quarter and an eighth.
TEST(JpegScale, OnlyWhereThePictureStillCoversTheTexture)
{
    const Bytes jpeg = testimages::EncodeJpeg(testimages::MakeTrueColor(64, 32, false), "RGB");
    const struct
    {
        std::uint32_t maxWidth, decodedWidth;
    } cases[] = {{33, 64}, {32, 32}, {31, 32}, {17, 32}, {16, 16}, {9, 16}, {8, 8}, {3, 8}};
    for (const auto& c : cases) {
        TextureLimits limits;
        limits.maxWidth = c.maxWidth;
        const Outcome d = Decode(jpeg, &limits);
        ASSERT_TRUE(d.ok) << d.reason;
        EXPECT_EQ(d.work.pixelsFilled, std::uint64_t(c.decodedWidth) * c.decodedWidth / 2)
            << c.maxWidth;
        EXPECT_EQ(d.picture.width, c.maxWidth);
    }
}

// An interlaced picture is kept whole until its last pass: one that large
// is refused before any of it is decoded.
TEST(ReduceStage, RefusesInterlacedPicturesBeyondItsLimit)
{
    Bytes png = testimages::EncodePngDepth(testimages::MakeTrueColor(8, 8, false), "RGB", 8, true);
    for (unsigned i = 0; i < 4; ++i) // 20000 x 8000
        png[16 + i] = static_cast<unsigned char>(20000u >> (24 - 8 * i)),
                 png[20 + i] = static_cast<unsigned char>(8000u >> (24 - 8 * i));
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (unsigned i = 0; i < 4; ++i)
        png[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    TextureLimits limits;
    const Outcome d = Decode(png, &limits);
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.reason.find("interlaced picture of more than 128 megapixels"), std::string::npos)
        << d.reason;
}

} // namespace
