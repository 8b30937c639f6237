// Where a partial panorama goes: the texture coordinates that find it on the
// sphere, and the size of the full panorama a picture is padded to.
#include "placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using gpano::CroppedArea;

// The cropped area's edges, where the mesh's coordinates must find the
// picture's edges: its centre column at heading 0 (u = 0.5), its rows where
// the full panorama has them.
TEST(Placement, FindsThePictureOnItsPartOfTheSphere)
{
    const CroppedArea areas[] = {
        {8000, 4000, 4000, 1000, 1000, 1500}, // a strip above the horizon, off centre
        {8000, 4000, 2000, 4000, 6000, 0},    // a slice from pole to pole at the right edge
        {8000, 4000, 8000, 1000, 0, 3000},    // all the way round, at the bottom
        {6001, 3000, 1, 1, 0, 2999},          // one pixel
    };
    for (const CroppedArea& a : areas) {
        const gpano::TexturePlacement p = gpano::PlaceOnSphere(a);
        const double uLeft = (a.fullWidth - a.width) / 2.0 / a.fullWidth;
        const double uRight = (a.fullWidth + a.width) / 2.0 / a.fullWidth;
        const double vTop = double(a.top) / a.fullHeight;
        const double vBottom = double(a.top + a.height) / a.fullHeight;
        EXPECT_NEAR(p.scaleU * uLeft + p.offsetU, 0.0, 1e-5) << a.width;
        EXPECT_NEAR(p.scaleU * uRight + p.offsetU, 1.0, 1e-5) << a.width;
        EXPECT_NEAR(p.scaleV * vTop + p.offsetV, 0.0, 1e-5) << a.height;
        EXPECT_NEAR(p.scaleV * vBottom + p.offsetV, 1.0, 1e-5) << a.height;
        EXPECT_EQ(p.wholeWidth, a.width == a.fullWidth);
        EXPECT_EQ(p.wholeHeight, a.height == a.fullHeight);
        EXPECT_TRUE(gpano::IsPartial(p));
    }
    EXPECT_FALSE(gpano::IsPartial(gpano::TexturePlacement()));
}

struct PadCase
{
    CroppedArea area;
    unsigned pictureWidth, pictureHeight;
    imagedecode::TextureLimits limits;
    gpano::PaddedPanorama expected; // worked out by hand
};

TEST(Placement, PadsToTheFullPanoramaWithinTheTextureLimit)
{
    using imagedecode::PowerOfTwo;
    const imagedecode::TextureLimits roomy{16384, 16384, PowerOfTwo::Any};
    const PadCase cases[] = {
        // Half scale: the full panorama 4000 x 2000, the picture's centre at 2000.
        {{8000, 4000, 4000, 1000, 1000, 1500},
         2000,
         500,
         roomy,
         {4000, 2000, 2000, 500, 1000, 750}},
        // The same at full scale, limited to 4000 a side: halved; on a renderer
        // that rounds textures down to powers of two, 2048 x 1024.
        {{8000, 4000, 4000, 1000, 1000, 1500},
         4000,
         1000,
         {4000, 4000, PowerOfTwo::Any},
         {4000, 2000, 2000, 500, 1000, 750}},
        {{8000, 4000, 4000, 1000, 1000, 1500},
         4000,
         1000,
         {4000, 4000, PowerOfTwo::RoundDown},
         {2048, 1024, 1024, 256, 512, 384}},
        // Odd sizes: the centre as near as whole pixels allow; the bottom row kept.
        {{1000, 500, 333, 100, 0, 400}, 333, 100, roomy, {1000, 500, 333, 100, 333, 400}},
        // A full-width strip: no columns of black.
        {{4096, 2048, 4096, 512, 0, 0}, 2048, 256, roomy, {2048, 1024, 2048, 256, 0, 0}},
    };
    for (const PadCase& c : cases) {
        const gpano::PaddedPanorama p =
            gpano::PadToFullPanorama(c.area, c.pictureWidth, c.pictureHeight, c.limits);
        const gpano::PaddedPanorama& e = c.expected;
        EXPECT_EQ(std::vector<unsigned>(
                      {p.width, p.height, p.pictureWidth, p.pictureHeight, p.left, p.top}),
                  std::vector<unsigned>(
                      {e.width, e.height, e.pictureWidth, e.pictureHeight, e.left, e.top}))
            << c.area.width << " x " << c.area.height << " limit " << c.limits.maxWidth;
    }
}

} // namespace
