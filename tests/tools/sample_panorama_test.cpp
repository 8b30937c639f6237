// The sample panorama: recognisable directions where the viewer will show
// them, and no visible seam where its edges meet.
#include "sample_panorama.h"
#include "tools_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace irr;
using toolstest::quoted;

namespace {

int distance(video::SColor a, video::SColor b)
{
    return std::abs(int(a.getRed()) - int(b.getRed())) +
           std::abs(int(a.getGreen()) - int(b.getGreen())) +
           std::abs(int(a.getBlue()) - int(b.getBlue()));
}

class SamplePanorama : public ::testing::Test
{
protected:
    void SetUp() override
    {
        device = toolstest::createNullDevice();
        ASSERT_NE(device, nullptr);
        driver = device->getVideoDriver();
    }
    void TearDown() override
    {
        if (device)
            device->drop();
    }

    IrrlichtDevice* device = nullptr;
    video::IVideoDriver* driver = nullptr;
};

// Each compass post stands where its heading lies in an equirectangular
// image (north at the centre, east a quarter to the right), in its colour,
// just below the horizon; south sits on the seam and shows on both edges.
TEST_F(SamplePanorama, CompassPostsStandAtTheirHeadings)
{
    const u32 w = 1024, h = 512;
    video::IImage* image = driver->createImage(video::ECF_R8G8B8, core::dimension2du(w, h));
    ASSERT_NE(image, nullptr);
    samplepano::paint(*image);

    const struct
    {
        float heading;
        video::SColor color;
        u32 column;
    } posts[] = {{0, samplepano::north, w / 2},
                 {90, samplepano::east, 3 * w / 4},
                 {180, samplepano::south, 0},
                 {-90, samplepano::west, w / 4}};
    for (const auto& post : posts) {
        const core::vector2di at = samplepano::postPosition(post.heading, w, h);
        EXPECT_NEAR(at.X, int(post.column), 1) << post.heading;
        EXPECT_EQ(at.Y, int(h / 2));
        const u32 x = u32(at.X), y = h / 2 + h / 60; // a few degrees below the horizon
        EXPECT_LT(distance(image->getPixel(x, y), post.color), 30) << "heading " << post.heading;
    }
    EXPECT_LT(distance(image->getPixel(w - 1, h / 2 + h / 60), samplepano::south), 30);
    image->drop();
}

// Sky above, ground below, and the left and right edges meet without a jump.
TEST_F(SamplePanorama, SkyIsUpAndTheEdgesJoin)
{
    const u32 w = 1024, h = 512;
    video::IImage* image = driver->createImage(video::ECF_R8G8B8, core::dimension2du(w, h));
    ASSERT_NE(image, nullptr);
    samplepano::paint(*image);

    const video::SColor zenith = image->getPixel(w / 3, 2);
    EXPECT_GT(zenith.getBlue(), zenith.getRed() + 60);
    const video::SColor ground = image->getPixel(w / 3, h - 3 * h / 8);
    EXPECT_GT(ground.getGreen(), ground.getBlue());

    long jump = 0, step = 0;
    for (u32 y = 0; y < h; ++y) {
        jump += distance(image->getPixel(0, y), image->getPixel(w - 1, y));
        step += distance(image->getPixel(w / 3, y), image->getPixel(w / 3 + 1, y));
    }
    // No larger than the step between two neighbouring columns elsewhere.
    EXPECT_LE(jump, 2 * step + long(h));
    image->drop();
}

TEST_F(SamplePanorama, ToolWritesImagesTheEngineReads)
{
    toolstest::ScratchDir dir;
    for (const char* name : {"sample.jpg", "sample.png"}) {
        const std::string path = dir.file(name);
        ASSERT_EQ(toolstest::run(SKYGLASS_PANOGEN, quoted(path) + " --width 256"), 0);
        video::IImage* image = driver->createImageFromFile(io::path(path.c_str()));
        ASSERT_NE(image, nullptr) << path;
        EXPECT_EQ(image->getDimension(), core::dimension2du(256, 128));
        image->drop();
    }
    EXPECT_NE(toolstest::run(SKYGLASS_PANOGEN, quoted(dir.file("x.jpg")) + " --width 0"), 0);
    EXPECT_NE(toolstest::run(SKYGLASS_PANOGEN, quoted(dir.file("no/dir/x.jpg"))), 0);
    EXPECT_FALSE(toolstest::exists(dir.file("x.jpg")));
}

} // namespace
