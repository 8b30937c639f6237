#include "null_engine.h"
#include "vesper.h"

#include <cmath>

using namespace irr;

namespace {
using ToolkitDistances = NullEngine;

TEST_F(ToolkitDistances, CameraDistancesIn2DIgnoreHeight)
{
    fillSlot(4)->setPosition(core::vector3df(3.0f, 12.0f, 4.0f));
    EXPECT_EQ(vpCameraDistance2D(4), 5.0f);
    EXPECT_EQ(vpCameraDistance(4), 13.0f);
}

TEST_F(ToolkitDistances, CameraDistancesMeasureFromTheBaseNotTheCameraNode)
{
    camera = smgr->addCameraSceneNode();
    fillSlot(0)->setPosition(core::vector3df(3.0f, 12.0f, 4.0f));
    vpPositionCamera(100.0f, 100.0f, 100.0f);
    EXPECT_EQ(vpCameraDistance(0), 13.0f);

    campos = core::vector3df(3.0f, 0.0f, 4.0f);
    EXPECT_EQ(vpCameraDistance2D(0), 0.0f);
    EXPECT_EQ(vpCameraDistance(0), 12.0f);
}

TEST_F(ToolkitDistances, ObjectsDistanceIsSymmetricAndZeroToItself)
{
    fillSlot(1)->setPosition(core::vector3df(1.0f, 2.0f, 3.0f));
    fillSlot(2)->setPosition(core::vector3df(-2.0f, 6.0f, 15.0f));
    EXPECT_EQ(vpObjectsDistance(1, 1), 0.0f);
    EXPECT_EQ(vpObjectsDistance(1, 2), 13.0f);
    EXPECT_EQ(vpObjectsDistance(1, 2), vpObjectsDistance(2, 1));
}

TEST_F(ToolkitDistances, SquaresAreSummedInSinglePrecision)
{
    // 1e-4 squared vanishes against 1 in float, though not in double.
    fillSlot(0)->setPosition(core::vector3df(1.0f, 0.0f, 1e-4f));
    fillSlot(1)->setPosition(core::vector3df(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(vpCameraDistance2D(0), 1.0f);
    EXPECT_EQ(vpObjectsDistance(0, 1), 1.0f);
    EXPECT_NE(std::sqrt(1.0 + 1e-4 * 1e-4), 1.0);
}
} // namespace
