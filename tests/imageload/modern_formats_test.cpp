// HEIF (HEIC, AVIF) and WebP, as phones and the web save pictures: both of
// Debian's libheif codecs are there; each file shows what its library reads,
// turned and mirrored as the file says, with its alpha; WebP lossless
// exactly, and scaled down as it is decoded; an animation's first frame;
// the XMP packet places a partial panorama and the colour profile (ICC, or
// HEIF's nclx) converts colours; damaged files are refused, never read
// outside.
#include "bytes_file.h"
#include "shown.h"
#include "checking_sink.h"
#include "imageload.h"
#include "modern_formats.h"
#include "profiles.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <random>

using namespace irr;
using namespace testimages;
using namespace modernformats;

namespace {

// A picture with a distinct top left corner and some transparency.
Picture Corner(bool alpha)
{
    Picture p = MakeTrueColor(48, 32, alpha);
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 8; ++x)
            p.argb[y * p.width + x] = 0xFFFF0000u;
    return p;
}

class HeifCodings : public testing::TestWithParam<Heif>
{};

// With and without alpha, and turned or mirrored as the file says: what
// libheif reads, pixel for pixel.
TEST_P(HeifCodings, ShowWhatLibheifDecodesTurnedAsTheFileSays)
{
    for (bool alpha : {false, true})
        for (int orientation : {1, 6, 2}) {
            SCOPED_TRACE(testing::Message()
                         << "alpha " << alpha << ", orientation " << orientation);
            HeifOptions options;
            options.alpha = alpha;
            options.orientation = orientation;
            const Bytes file = EncodeHeif(Corner(alpha), GetParam(), options);
            const Shown shown = Show(file);
            ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
            const Picture read = ReadHeifWithLibheif(file);
            EXPECT_EQ(shown.picture.width, read.width);
            EXPECT_EQ(shown.picture.argb, read.argb);
            // The red corner: top left as stored, top right turned a quarter
            // right, top right mirrored.
            const unsigned x = orientation == 1 ? 2 : shown.picture.width - 3;
            const std::uint32_t corner = shown.picture.argb[2 * shown.picture.width + x];
            EXPECT_GT(corner >> 16 & 0xFF, 200u) << std::hex << corner;
            EXPECT_LT(corner & 0xFF, 60u) << std::hex << corner;
            EXPECT_EQ(shown.picture.width, orientation == 6 ? 32u : 48u);
        }
}

// The XMP item places a partial panorama; an ICC profile, or nclx colours
// other than sRGB's (Display P3, as iPhones write), are converted.
TEST_P(HeifCodings, MetadataAndColoursGoWhereAJpegsGo)
{
    const Picture p = Corner(false);
    HeifOptions crop;
    crop.xmp = GPanoPacket(GPanoCrop(192, 96, 48, 32, 24, 16));
    EXPECT_EQ(Show(EncodeHeif(p, GetParam(), crop)).plan.verdict.coverage,
              gpano::Coverage::Partial);

    HeifOptions adobe;
    adobe.profile = profiles::RgbProfile(profiles::AdobeRgb);
    const Shown converted = Show(EncodeHeif(p, GetParam(), adobe));
    EXPECT_NE(converted.plan.colour, nullptr) << converted.plan.colourProblem;

    HeifOptions p3, srgb;
    p3.nclxPrimaries = 12, p3.nclxTransfer = 13;
    srgb.nclxPrimaries = 1, srgb.nclxTransfer = 13;
    const Shown wide = Show(EncodeHeif(p, GetParam(), p3));
    EXPECT_NE(wide.plan.colour, nullptr) << wide.plan.colourProblem << wide.reason;
    const Shown asSrgb = Show(EncodeHeif(p, GetParam(), srgb));
    EXPECT_EQ(asSrgb.plan.colour, nullptr);
    EXPECT_EQ(asSrgb.plan.colourProblem, "");
}

INSTANTIATE_TEST_SUITE_P(Codings, HeifCodings, testing::Values(Heif::Hevc, Heif::Av1),
                         [](const testing::TestParamInfo<Heif>& test) {
                             return test.param == Heif::Hevc ? "Heic" : "Avif";
                         });

// Lossless WebP exactly; with alpha, lossy, as libwebp reads it (its
// lossless encoder may change the colour under transparent pixels); an
// animation's first frame.
TEST(Webp, ShowsWhatItStores)
{
    const Picture opaque = Opaque(Corner(false));
    EXPECT_EQ(Show(EncodeWebp(opaque, true, false)).picture.argb, opaque.argb);
    for (bool alpha : {false, true})
        for (bool lossless : {false, true}) {
            const Bytes file = EncodeWebp(alpha ? Corner(true) : opaque, lossless, alpha);
            EXPECT_EQ(Show(file).picture.argb, ReadWebpWithLibwebp(file).argb) << alpha << lossless;
        }
    const Picture p = Opaque(Corner(false));
    const Shown first = Show(EncodeWebp(p, true, false, 3));
    EXPECT_EQ(first.picture.argb, p.argb);
}

// A WebP larger than the texture is scaled down by libwebp as it is decoded,
// to the texture's size, never held whole.
TEST(Webp, LargerThanTheTextureIsScaledAsItIsDecoded)
{
    const Picture p = Opaque(MakeTrueColor(200, 100, false));
    const Bytes file = EncodeWebp(p, true, false);
    CheckingSink sink(0);
    const Decoded d = DecodeBytesForTexture(file, sink, {50, 50, imagedecode::PowerOfTwo::Any});
    ASSERT_TRUE(d.decoded) << d.reason;
    EXPECT_EQ(sink.faults(), "");
    EXPECT_EQ(d.work.pixelsFilled, 50u * 25u) << "decoded at the texture's size";
    const Picture scaled = ReadWebpWithLibwebp(file, 50, 25);
    std::vector<unsigned char> expected;
    for (std::uint32_t c : scaled.argb)
        expected.insert(expected.end(),
                        {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    EXPECT_EQ(sink.pixels(), expected);
}

TEST(Webp, XmpAndColourProfileChunksAreRead)
{
    const Bytes file = WithWebpChunks(EncodeWebp(Opaque(Corner(false)), true, false),
                                      GPanoPacket(GPanoCrop(192, 96, 48, 32, 24, 16)),
                                      profiles::RgbProfile(profiles::AdobeRgb));
    const Shown shown = Show(file);
    ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
    EXPECT_EQ(shown.plan.verdict.coverage, gpano::Coverage::Partial);
    EXPECT_NE(shown.plan.colour, nullptr) << shown.plan.colourProblem;
}

// Damaged files, from valid ones with fixed seeds: bytes changed anywhere and
// files cut short. Each is refused with a reason or loads, and breaks no
// promise of the row protocol (the sanitizer build runs this too).
TEST(ModernFormats, DamagedFilesAreRefusedOrLoad)
{
    const Picture p = Corner(true);
    HeifOptions alpha;
    alpha.alpha = true;
    const std::pair<const char*, Bytes> files[] = {
        {"heic", EncodeHeif(p, Heif::Hevc, alpha)},
        {"avif", EncodeHeif(p, Heif::Av1, alpha)},
        {"webp", EncodeWebp(p, false, true)},
        {"animated webp", EncodeWebp(p, true, true, 2)},
    };
    for (const auto& [name, valid] : files) {
        SCOPED_TRACE(name);
        std::mt19937 random(7);
        BytesFile file;
        for (int i = 0; i < 300; ++i) {
            Bytes b = valid;
            for (unsigned k = 1 + random() % 8; k > 0; --k)
                b[random() % b.size()] = static_cast<unsigned char>(random());
            if (i % 3 == 0)
                b.resize(random() % b.size());
            file.assign(b.data(), b.size());
            CheckingSink sink(0);
            const Decoded d = DecodeFile(file.path(), sink);
            EXPECT_TRUE(d.decoded || !d.reason.empty());
            EXPECT_EQ(sink.faults(), "");
            EXPECT_TRUE(!d.decoded || sink.complete());
        }
    }
}

} // namespace
