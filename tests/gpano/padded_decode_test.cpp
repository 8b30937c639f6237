// The viewer's decoding of a partial panorama for a renderer that pads it:
// the metadata is judged at the picture's full size as soon as the decoder
// has it, and the picture is reduced to the size it has in the padded
// texture, which is within the renderer's limits.
#include "partial_panorama.h"
#include "picture_buffer.h"
#include "testimages.h"

#include <gtest/gtest.h>

namespace {

using namespace testimages;
using imagedecode::PictureSize;

// A crop of a quarter of the full panorama on each side, 96 x 48 pixels.
constexpr unsigned Full = 384, CropWidth = 96, CropHeight = 48, Left = 96, Top = 48;
// A renderer of 64-pixel textures that rounds them down to powers of two: the
// full panorama at the picture's scale, 384 x 192, becomes 64 x 32, in which
// the picture is 16 x 8 at (24, 8).
const imagedecode::TextureLimits Small{64, 64, imagedecode::PowerOfTwo::RoundDown};

struct Decoded
{
    PanoramaMetadata metadata;
    imagedecode::PictureBuffer picture;
};

void Decode(const Bytes& file, bool pads, Decoded& out,
            const imagedecode::TextureLimits& limits = Small)
{
    std::string reason;
    const imagedecode::ImageFormat* format =
        imagedecode::IdentifyImage(file.data(), file.size(), reason);
    ASSERT_NE(format, nullptr) << reason;
    imagedecode::DecodeWork work;
    PanoramaSink sink(limits, pads, work, out.picture);
    ASSERT_TRUE(format->codec->decode(file.data(), file.size(), sink, work, reason)) << reason;
    out.metadata = sink.metadata();
}

TEST(PaddedDecode, PictureIsReducedToItsPlaceInTheTexture)
{
    const Picture crop = MakeTrueColor(CropWidth, CropHeight, false);
    const std::string packet =
        GPanoPacket(GPanoCrop(Full, Full / 2, CropWidth, CropHeight, Left, Top));
    const Bytes png = EncodePng(crop, "RGB");
    const Bytes files[] = {WithPngChunk(png, "iTXt", PngXmpChunk(packet)),
                           WithJpegApp1(EncodeJpeg(crop, "RGB"), JpegXmpSegment(packet))};
    for (const Bytes& file : files) {
        Decoded reduced;
        Decode(file, true, reduced);
        const gpano::PaddedPanorama& p = reduced.metadata.padded;
        EXPECT_EQ(reduced.metadata.verdict.coverage, gpano::Coverage::Partial);
        EXPECT_EQ(std::vector<unsigned>(
                      {p.width, p.height, p.pictureWidth, p.pictureHeight, p.left, p.top}),
                  std::vector<unsigned>({64, 32, 16, 8, 24, 8}));
        EXPECT_EQ(reduced.picture.picture().width, 16u);
        EXPECT_EQ(reduced.picture.picture().height, 8u);
    }

    // The PNG's pixels: each the average of the 6 x 6 it covers, halves up.
    Decoded whole, reduced;
    Decode(png, true, whole, {4096, 4096, imagedecode::PowerOfTwo::Any});
    Decode(files[0], true, reduced);
    const unsigned char* in = whole.picture.pixels();
    const unsigned char* out = reduced.picture.pixels();
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 16; ++x)
            for (unsigned c = 0; c < 3; ++c) {
                unsigned sum = 0;
                for (unsigned dy = 0; dy < 6; ++dy)
                    for (unsigned dx = 0; dx < 6; ++dx)
                        sum += in[((y * 6 + dy) * CropWidth + x * 6 + dx) * 3 + c];
                ASSERT_EQ(out[(y * 16 + x) * 3 + c], (sum + 18) / 36) << x << ", " << y;
            }
}

// A renderer that places the picture itself, and a picture without
// metadata, get the texture size of the picture alone: 64 x 32.
TEST(PaddedDecode, OtherPicturesGetTheirOwnTextureSize)
{
    const Picture crop = MakeTrueColor(CropWidth, CropHeight, false);
    const Bytes plain = EncodePng(crop, "RGB");
    const Bytes placed = WithPngChunk(
        plain, "iTXt",
        PngXmpChunk(GPanoPacket(GPanoCrop(Full, Full / 2, CropWidth, CropHeight, Left, Top))));
    const struct
    {
        const Bytes& file;
        bool pads;
        gpano::Coverage coverage;
    } cases[] = {{placed, false, gpano::Coverage::Partial}, {plain, true, gpano::Coverage::Whole}};
    for (const auto& c : cases) {
        Decoded decoded;
        Decode(c.file, c.pads, decoded);
        EXPECT_EQ(decoded.metadata.verdict.coverage, c.coverage);
        EXPECT_EQ(decoded.metadata.padded.width, 0u);
        EXPECT_EQ(decoded.picture.picture().width, 64u);
        EXPECT_EQ(decoded.picture.picture().height, 32u);
    }
}

} // namespace
