#include "null_engine.h"
#include "vesper.h"

#include <limits>

using namespace irr;

namespace {
using ToolkitObjects = NullEngine;

TEST(ToolkitState, StartsEmptyAndZeroed)
{
    // Static initialisation alone, before any fixture touched the state.
    EXPECT_EQ(mesh[0], nullptr);
    EXPECT_EQ(node[vpSlotCount - 1], nullptr);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(campos, core::vector3df(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(coscamroty, 0.0f);
    EXPECT_EQ(gti, nullptr);
    EXPECT_EQ(tixy, core::rect<s32>(0, 0, 0, 0));
}

TEST_F(ToolkitObjects, FractionalPositionsPassThroughUnchanged)
{
    fillSlot(0);
    vpPositionObject(0, 0.5f, 1.25f, -3.75f);
    EXPECT_EQ(vpObjectPositionX(0), 0.5f);
    EXPECT_EQ(vpObjectPositionY(0), 1.25f);
    EXPECT_EQ(vpObjectPositionZ(0), -3.75f);
}

TEST_F(ToolkitObjects, RotationAndScaleReachTheNodeInTheirSlot)
{
    scene::ISceneNode* first = fillSlot(7);
    scene::ISceneNode* last = fillSlot(vpSlotCount - 1);

    vpRotateObject(vpSlotCount - 1, 10.0f, 20.5f, -30.0f);
    vpScaleObject(7, 2.0f, 0.25f, 3.0f);

    EXPECT_EQ(vpObjectRotationX(vpSlotCount - 1), 10.0f);
    EXPECT_EQ(vpObjectRotationY(vpSlotCount - 1), 20.5f);
    EXPECT_EQ(vpObjectRotationZ(vpSlotCount - 1), -30.0f);
    EXPECT_EQ(last->getScale(), core::vector3df(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(first->getScale(), core::vector3df(2.0f, 0.25f, 3.0f));
    EXPECT_EQ(first->getRotation(), core::vector3df(0.0f, 0.0f, 0.0f));
}

TEST_F(ToolkitObjects, PositionIsRelativeToTheParent)
{
    scene::ISceneNode* parent = smgr->addEmptySceneNode();
    parent->setPosition(core::vector3df(100.0f, 0.0f, 0.0f));
    node[3] = smgr->addEmptySceneNode(parent);
    vpPositionObject(3, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(vpObjectPositionX(3), 1.0f);
}

TEST_F(ToolkitObjects, HideAndShowToggleVisibility)
{
    scene::ISceneNode* n = fillSlot(1);
    vpHideObject(1);
    EXPECT_FALSE(n->isVisible());
    vpShowObject(1);
    EXPECT_TRUE(n->isVisible());
}

TEST_F(ToolkitObjects, NonFiniteValuesArePassedOn)
{
    fillSlot(0);
    const f32 inf = std::numeric_limits<f32>::infinity();
    vpPositionObject(0, inf, -inf, 0.0f);
    EXPECT_EQ(vpObjectPositionX(0), inf);
    EXPECT_EQ(vpObjectPositionY(0), -inf);
}
} // namespace
