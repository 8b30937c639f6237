// Every file costs work bounded by its picture and its own size, counted by
// the decoders (never timed): data after a PNG's picture is neither read nor
// inflated; run-length codes past a BMP row's end cost one step each, and a
// refused BMP fills no pixel; JPEG scans without data, or too many of them,
// are refused before any is decoded.
#include "bytes_file.h"
#include "checking_sink.h"
#include "image_file.h"
#include "imagedecode.h"
#include "scratch_folder.h"
#include "worstfiles.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

namespace {

using imagedecode::DecodeWork;
using imagedecode::FileFormat;
using worstfiles::Bytes;

constexpr std::uint64_t KiB = 1024, MiB = 1024 * KiB;

struct Outcome
{
    bool ok = false;
    std::string reason;
    DecodeWork work;
    std::vector<unsigned char> pixels;
    bool begun = false; // the sink was told a picture
};

// Opens the file, which must be of `format`, and decodes it.
Outcome Decode(FileFormat format, const char* path)
{
    CheckingSink sink(imagedecode::FormatOf(format).flags);
    const Decoded decoded = DecodeFile(path, sink);
    EXPECT_TRUE(!decoded.opened || decoded.format->id == format);
    EXPECT_EQ(sink.faults(), "");
    EXPECT_EQ(decoded.decoded, sink.complete()) << decoded.reason;
    return {decoded.decoded, decoded.reason, decoded.work, sink.pixels(), sink.picture().width > 0};
}

Outcome Decode(FileFormat format, const Bytes& file)
{
    const BytesFile bytes(file);
    return Decode(format, bytes.path());
}

// The same from a file on disk.
Outcome DecodeOnDisk(FileFormat format, const Bytes& file)
{
    const ScratchFolder folder;
    folder.write("test", std::string(file.begin(), file.end()));
    return Decode(format, folder.file("test").c_str());
}

struct PngCase
{
    const char* name;
    std::uint32_t width, height;
    int depth;
    bool interlaced;
};

void PrintTo(const PngCase& c, std::ostream* os)
{
    *os << c.name;
}

// What libpng inflates for the picture itself, every pass: its rows, each
// with a filter byte.
std::uint64_t PictureBytes(const PngCase& c)
{
    const std::uint64_t pixelBytes = 3 * c.depth / 8;
    if (!c.interlaced)
        return c.height * (c.width * pixelBytes + 1);
    std::uint64_t bytes = 0;
    for (int pass = 0; pass < 7; ++pass)
        if (PNG_PASS_COLS(c.width, pass) > 0)
            bytes +=
                PNG_PASS_ROWS(c.height, pass) * (PNG_PASS_COLS(c.width, pass) * pixelBytes + 1);
    return bytes;
}

class PngDataAfterPicture : public testing::TestWithParam<PngCase>
{};

// 512 MiB of zeros after the last row: the picture is the same as without
// them, and of them at most 64 KiB are inflated and 64 KiB of the file read.
TEST_P(PngDataAfterPicture, IsNeitherInflatedNorRead)
{
    const PngCase& c = GetParam();
    const Bytes plain =
        worstfiles::PngWithDataAfterPicture(c.width, c.height, c.depth, c.interlaced, 0);
    const Bytes padded =
        worstfiles::PngWithDataAfterPicture(c.width, c.height, c.depth, c.interlaced, 512 * MiB);
    const Outcome expected = Decode(FileFormat::Png, plain);
    ASSERT_TRUE(expected.ok) << expected.reason;
    for (const Outcome& d :
         {Decode(FileFormat::Png, padded), DecodeOnDisk(FileFormat::Png, padded)}) {
        ASSERT_TRUE(d.ok) << d.reason;
        EXPECT_EQ(d.pixels, expected.pixels);
        EXPECT_LE(d.work.inflatedBytes, PictureBytes(c) + 64 * KiB);
        EXPECT_LE(d.work.bytesAfterLastRow, 64 * KiB);
        EXPECT_LE(d.work.compressedBytes, plain.size() + 64 * KiB);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryPath, PngDataAfterPicture,
    testing::Values(PngCase{"OnePixel", 1, 1, 8, false}, PngCase{"OnePixel16Bit", 1, 1, 16, false},
                    PngCase{"Rows", 40, 37, 8, false}, PngCase{"Interlaced", 13, 37, 8, true},
                    PngCase{"Interlaced16Bit", 5, 3, 16, true},
                    PngCase{"RowsWiderThan64KiB", 16384, 3, 16, false}),
    [](const testing::TestParamInfo<PngCase>& test) { return test.param.name; });

// Thousands of chunks before the picture: libpng gets only the first of each
// kind that changes the pixels, and none of the others.
TEST(PngChunksBeforeThePicture, OnlyTheFirstOfEachKindIsRead)
{
    const Bytes plain = worstfiles::PngWithDataAfterPicture(40, 30, 8, false, 0);
    auto chunk = [](const char* type, const Bytes& data) {
        Bytes c(8 + data.size() + 4, 0);
        c[3] = static_cast<unsigned char>(data.size());
        std::copy(type, type + 4, c.begin() + 4);
        std::copy(data.begin(), data.end(), c.begin() + 8);
        const std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, c.data() + 4, uInt(4 + data.size())));
        for (int k = 0; k < 4; ++k)
            c[8 + data.size() + k] = static_cast<unsigned char>(crc >> (24 - 8 * k));
        return c;
    };
    const Bytes gamma = chunk("gAMA", {0, 0, 0xB1, 0x8F}), text = chunk("tEXt", {'a', 0, 'b'});
    Bytes many(plain.begin(), plain.begin() + 33); // signature and header
    for (int i = 0; i < 10000; ++i) {
        many.insert(many.end(), gamma.begin(), gamma.end());
        many.insert(many.end(), text.begin(), text.end());
    }
    many.insert(many.end(), plain.begin() + 33, plain.end());
    for (const Outcome& d : {Decode(FileFormat::Png, many), DecodeOnDisk(FileFormat::Png, many)}) {
        ASSERT_TRUE(d.ok) << d.reason;
        EXPECT_EQ(d.work.compressedBytes, plain.size() + gamma.size()) << "with the end chunk";
    }
}

// However libpng spreads a small picture over its passes, the decoder sees
// its end: each size completes and reads only the picture.
TEST(PngDataAfterPicture, EndsEverySmallPicture)
{
    for (std::uint32_t width = 1; width <= 9; ++width)
        for (std::uint32_t height = 1; height <= 9; ++height)
            for (bool interlaced : {false, true}) {
                const PngCase c{"", width, height, 8, interlaced};
                const Outcome d = Decode(
                    FileFormat::Png,
                    worstfiles::PngWithDataAfterPicture(width, height, 8, interlaced, 4 * MiB));
                EXPECT_TRUE(d.ok) << width << " x " << height << ": " << d.reason;
                EXPECT_LE(d.work.inflatedBytes, PictureBytes(c) + 64 * KiB);
            }
}

// 200,000 codes of 255 pixels past the end of a 64-pixel row: one step each,
// and the picture is the one without them.
TEST(BmpRunLength, RunsPastTheRowEndCostOneStepEach)
{
    const Bytes plain = worstfiles::BmpWithLongRuns(64, 4, 0);
    const Bytes longRuns = worstfiles::BmpWithLongRuns(64, 4, 200000);
    const Outcome expected = Decode(FileFormat::Bmp, plain);
    const Outcome d = Decode(FileFormat::Bmp, longRuns);
    ASSERT_TRUE(expected.ok && d.ok) << d.reason;
    EXPECT_EQ(d.pixels, expected.pixels);
    // Each of the two passes over the codes: a step per code and per pixel.
    EXPECT_LE(d.work.runSteps, 2 * (longRuns.size() / 2 + 64 * 4));
}

// A file that claims 16384 x 8192 pixels, skips down some rows and ends
// without an end of bitmap is refused before the sink hears of a picture.
TEST(BmpRunLength, ARefusedFileFillsNoPixel)
{
    const Outcome d = Decode(FileFormat::Bmp, worstfiles::BmpEndingEarly(16384, 8192, 14));
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.reason.find("cut short"), std::string::npos) << d.reason;
    EXPECT_FALSE(d.begun);
    EXPECT_EQ(d.work.pixelsFilled, 0u);
}

// Pixels the codes skip, and the rows after an end of bitmap, are colour 0
// (index 0: red 0, green 255, blue 0), each written once.
TEST(BmpRunLength, AnExplicitEndFillsTheRestOnce)
{
    Bytes b = worstfiles::BmpEndingEarly(300, 200, 0);
    for (unsigned char code : {3, 1, 0, 2, 250, 0, 2, 7, 0, 1}) // 3 pixels, skip, 2 pixels, end
        b.push_back(code);
    const Outcome d = Decode(FileFormat::Bmp, b);
    ASSERT_TRUE(d.ok) << d.reason;
    EXPECT_EQ(d.work.pixelsFilled, 300u * 200u);
    auto green = [&](std::size_t pixel) { return d.pixels[3 * pixel + 1]; };
    const std::size_t bottom = 199 * 300;
    EXPECT_EQ(green(bottom + 2), 254);   // index 1
    EXPECT_EQ(green(bottom + 3), 255);   // skipped
    EXPECT_EQ(green(bottom + 253), 248); // index 7
    EXPECT_EQ(green(bottom + 255), 255); // left out
    EXPECT_EQ(green(0), 255);            // after the end
}

// A PCX file whose lines claim 65534 bytes for 40 pixels: the bytes past
// the width cost a step per run of 63, not one each.
TEST(PcxLines, PaddingPastTheWidthCostsAStepPerRun)
{
    constexpr unsigned Width = 40, Height = 30;
    const Bytes b = worstfiles::PcxWithLongLines(Width, Height, 65534);
    const Outcome d = Decode(FileFormat::Pcx, b);
    ASSERT_TRUE(d.ok) << d.reason;
    for (unsigned y = 0; y < Height; ++y)
        ASSERT_EQ(d.pixels[3 * (y * Width + 7)], 7 + y) << "row " << y;
    EXPECT_LE(d.work.runSteps, b.size() / 2 + Width * Height);
}

// A legal 16384 x 8192 picture whose 100 scans carry no data would be 100
// passes over 400 million coefficients; it is refused before the first.
TEST(JpegScans, ScansWithoutDataAreRefusedBeforeAnyIsDecoded)
{
    for (unsigned scans : {1u, 100u}) {
        const Outcome d =
            Decode(FileFormat::Jpeg, worstfiles::JpegWithScans(16384, 8192, scans, true));
        EXPECT_FALSE(d.ok);
        EXPECT_NE(d.reason.find("scan without data"), std::string::npos) << d.reason;
        EXPECT_EQ(d.work.scans, 0u);
        EXPECT_FALSE(d.begun);
    }
}

TEST(JpegScans, AtMost100)
{
    const Outcome hundred = Decode(FileFormat::Jpeg, worstfiles::JpegWithScans(64, 32, 100, false));
    ASSERT_TRUE(hundred.ok) << hundred.reason;
    EXPECT_EQ(hundred.work.scans, 100u);
    const Outcome more = Decode(FileFormat::Jpeg, worstfiles::JpegWithScans(64, 32, 101, false));
    EXPECT_FALSE(more.ok);
    EXPECT_NE(more.reason.find("too many scans"), std::string::npos) << more.reason;
    EXPECT_EQ(more.work.scans, 0u);
}

} // namespace
