// A partial panorama's way to its texture on a renderer that pads it: the
// metadata is judged at the picture's full size before the first row, and
// the picture is reduced to the size it has in the padded texture, which is
// within the renderer's limits, and goes straight to its place in it.
#include "image_file.h"
#include "picture_buffer.h"
#include "scratch_folder.h"
#include "testimages.h"
#include "texture_decode.h"

#include <gtest/gtest.h>

namespace {

using namespace testimages;

// A crop of a quarter of the full panorama on each side, 96 x 48 pixels.
constexpr unsigned Full = 384, CropWidth = 96, CropHeight = 48, Left = 96, Top = 48;
// A renderer of 64-pixel textures that rounds them down to powers of two: the
// full panorama at the picture's scale, 384 x 192, becomes 64 x 32, in which
// the picture is 16 x 8 at (24, 8).
const imagedecode::TextureLimits Small{64, 64, imagedecode::PowerOfTwo::RoundDown};

struct Decoded
{
    gpano::TexturePlan plan;
    imagedecode::PictureBuffer texture;
};

void Decode(const Bytes& file, bool pads, Decoded& out,
            const imagedecode::TextureLimits& limits = Small)
{
    ScratchFolder folder;
    folder.write("picture", std::string(file.begin(), file.end()));
    imagedecode::ImageFile input;
    std::string reason;
    ASSERT_TRUE(input.open(folder.file("picture").c_str(), reason)) << reason;
    out.plan = gpano::PlanTexture(input.description(), limits, pads);
    ASSERT_TRUE(gpano::DecodeForTexture(input, out.plan, out.texture, reason)) << reason;
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
        Decoded padded;
        Decode(file, true, padded);
        const gpano::TexturePlan& p = padded.plan;
        EXPECT_EQ(p.verdict.coverage, gpano::Coverage::Partial);
        EXPECT_EQ(std::vector<unsigned>({p.texture.width, p.texture.height, p.picture.width,
                                         p.picture.height, p.left, p.top}),
                  std::vector<unsigned>({64, 32, 16, 8, 24, 8}));
        EXPECT_EQ(padded.texture.picture().width, 64u);
        EXPECT_EQ(padded.texture.picture().height, 32u);
    }

    // The PNG's pixels: each the average of the 6 x 6 it covers, halves up,
    // at (24, 8); black around them.
    Decoded whole, padded;
    Decode(png, true, whole, {4096, 4096, imagedecode::PowerOfTwo::Any});
    Decode(files[0], true, padded);
    const unsigned char* in = whole.texture.pixels();
    const unsigned char* out = padded.texture.pixels();
    for (unsigned y = 0; y < 32; ++y)
        for (unsigned x = 0; x < 64; ++x)
            for (unsigned c = 0; c < 3; ++c) {
                const bool inPicture = x >= 24 && x < 40 && y >= 8 && y < 16;
                unsigned sum = 0;
                for (unsigned dy = 0; dy < 6 && inPicture; ++dy)
                    for (unsigned dx = 0; dx < 6; ++dx)
                        sum += in[(((y - 8) * 6 + dy) * CropWidth + (x - 24) * 6 + dx) * 3 + c];
                ASSERT_EQ(out[(y * 64 + x) * 3 + c], (sum + 18) / 36) << x << ", " << y;
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
        EXPECT_EQ(decoded.plan.verdict.coverage, c.coverage);
        EXPECT_FALSE(decoded.plan.padded());
        EXPECT_EQ(decoded.texture.picture().width, 64u);
        EXPECT_EQ(decoded.texture.picture().height, 32u);
    }
}

} // namespace
