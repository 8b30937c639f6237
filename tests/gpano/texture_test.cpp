// The viewer's side on the null driver, which has no texture matrix: a
// partial panorama padded to the full panorama, metadata that cannot be used
// named in one line, and the fifth material pass of a placed picture.
#include "partial_panorama.h"
#include "testimages.h"

#include <gtest/gtest.h>

using namespace irr;

namespace {

struct ImageCase
{
    const char* name;
    imagedecode::XmpPacket xmp;
    core::dimension2d<u32> size; // of the image to show
    std::string message;         // on standard error, after the file's name
};

class PartialTexture : public testing::TestWithParam<ImageCase>
{};

imagedecode::XmpPacket Packet(const std::string& text, const std::string& problem = "")
{
    return {true, text, problem};
}

TEST_P(PartialTexture, IsPaddedOrLeftAsItIs)
{
    const ImageCase& c = GetParam();
    IrrlichtDevice* device = createDevice(video::EDT_NULL);
    device->getLogger()->setLogLevel(ELL_NONE);
    video::IVideoDriver* driver = device->getVideoDriver();
    video::IImage* image = driver->createImage(video::ECF_R8G8B8, {400, 100});
    image->fill(video::SColor(255, 10, 200, 30));
    gpano::TexturePlacement placement;
    testing::internal::CaptureStderr();
    video::IImage* shown = PlacePartialPanorama(driver, image, c.xmp, "pano\n.png", placement);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(message, c.message.empty() ? ""
                                         : "skyglass: ignoring the panorama metadata of "
                                           "\"pano?.png\": " +
                                               c.message + "\n");
    EXPECT_FALSE(gpano::IsPartial(placement)); // the null driver pads
    EXPECT_EQ(shown->getDimension(), c.size);
    if (c.size.Width == 800) { // the picture at (200, 150), black around it
        EXPECT_EQ(shown->getPixel(200, 150), video::SColor(255, 10, 200, 30));
        EXPECT_EQ(shown->getPixel(599, 249), video::SColor(255, 10, 200, 30));
        for (const auto& [x, y] : {std::pair{199, 150}, {600, 249}, {200, 149}, {599, 250}})
            EXPECT_EQ(shown->getPixel(x, y), video::SColor(255, 0, 0, 0)) << x << ", " << y;
    }
    shown->drop();
    device->drop();
}

using testimages::GPanoCrop;
using testimages::GPanoPacket;
INSTANTIATE_TEST_SUITE_P(
    Images, PartialTexture,
    testing::Values(
        ImageCase{"Partial",
                  Packet(GPanoPacket(GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500))),
                  {800, 400},
                  ""},
        ImageCase{
            "Whole", Packet(GPanoPacket(GPanoCrop(400, 100, 400, 100, 0, 0))), {400, 100}, ""},
        ImageCase{"Inconsistent",
                  Packet(GPanoPacket(GPanoCrop(8000, 4000, 0, 1000, 0, 0))),
                  {400, 100},
                  "GPano:CroppedAreaImageWidthPixels is \"0\", not a whole number from 1 to "
                  "1000000"},
        ImageCase{"TooLarge",
                  Packet("", "the XMP metadata is larger than 1 MiB"),
                  {400, 100},
                  "the XMP metadata is larger than 1 MiB"},
        // 50 times the picture's width: 20000 x 10000 would need a smaller picture.
        ImageCase{"TooLargeToPad",
                  Packet(GPanoPacket(GPanoCrop(200000, 100000, 4000, 1000, 1000, 1500))),
                  {400, 100},
                  "padded to the full panorama at its scale (20000 x 10000 pixels) it would be "
                  "larger than this renderer's textures"}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
