#include "null_engine.h"
#include "vesper.h"

using namespace irr;

namespace {
class ToolkitCamera : public NullEngine
{
protected:
    void SetUp() override
    {
        NullEngine::SetUp();
        camera = smgr->addCameraSceneNode();
    }

    core::vector3df cameraAt() const { return camera->getPosition(); }

    // Heading straight along +Z with no pitch, from the base (1, 2, 3).
    void headAlongZFrom123()
    {
        campos = core::vector3df(1.0f, 2.0f, 3.0f);
        sincamrotx = 0.0f;
        coscamrotx = 1.0f;
        sincamroty = 0.0f;
        coscamroty = 1.0f;
    }
};

TEST_F(ToolkitCamera, PositionAndRotationPassThrough)
{
    vpPositionCamera(0.5f, -1.5f, 2.25f);
    EXPECT_EQ(vpCameraPositionX(), 0.5f);
    EXPECT_EQ(vpCameraPositionY(), -1.5f);
    EXPECT_EQ(vpCameraPositionZ(), 2.25f);

    vpRotateCamera(10.0f, 20.0f, 30.0f);
    EXPECT_EQ(vpCameraRotationX(), 10.0f);
    EXPECT_EQ(vpCameraRotationY(), 20.0f);
    EXPECT_EQ(vpCameraRotationZ(), 30.0f);
}

TEST_F(ToolkitCamera, WithTheUntouchedStateMoveStaysAtOriginAndWalkAtHeightFive)
{
    for (f32 d : {0.0f, 1.0f, -7.5f, 1000.0f}) {
        vpMoveCamera(d);
        EXPECT_EQ(cameraAt(), core::vector3df(0.0f, 0.0f, 0.0f)) << "move " << d;
        vpWalkCamera(d);
        EXPECT_EQ(cameraAt(), core::vector3df(0.0f, 5.0f, 0.0f)) << "walk " << d;
    }
}

TEST_F(ToolkitCamera, MoveIsMeasuredFromTheBaseEachTime)
{
    headAlongZFrom123();
    vpMoveCamera(10.0f);
    EXPECT_EQ(cameraAt(), core::vector3df(1.0f, 2.0f, 13.0f));
    EXPECT_EQ(step, core::vector3df(0.0f, 0.0f, 10.0f));

    vpMoveCamera(10.0f);
    EXPECT_EQ(cameraAt(), core::vector3df(1.0f, 2.0f, 13.0f));
    EXPECT_EQ(campos, core::vector3df(1.0f, 2.0f, 3.0f));
}

TEST_F(ToolkitCamera, MoveFollowsPitchAndYawFactors)
{
    // Yaw 90 degrees (facing +X), pitched so that sin = 0.6 and cos = 0.8.
    sincamroty = 1.0f;
    coscamroty = 0.0f;
    sincamrotx = 0.6f;
    coscamrotx = 0.8f;
    vpMoveCamera(5.0f);
    EXPECT_FLOAT_EQ(step.X, 4.0f);
    EXPECT_FLOAT_EQ(step.Y, -3.0f);
    EXPECT_FLOAT_EQ(step.Z, 0.0f);
    EXPECT_FLOAT_EQ(cameraAt().X, 4.0f);
    EXPECT_FLOAT_EQ(cameraAt().Y, -3.0f);
}

TEST_F(ToolkitCamera, WalkKeepsFixedHeightIgnoresPitchAndLeavesStep)
{
    headAlongZFrom123();
    sincamrotx = 0.6f;
    step = core::vector3df(9.0f, 9.0f, 9.0f);
    vpWalkCamera(10.0f);
    EXPECT_EQ(cameraAt(), core::vector3df(1.0f, 5.0f, 13.0f));
    EXPECT_EQ(step, core::vector3df(9.0f, 9.0f, 9.0f));
}
} // namespace
