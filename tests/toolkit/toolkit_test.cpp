#include "scratch_folder.h"
#include "vesper.h"

#include <gtest/gtest.h>
#include <string>

using namespace irr;

// The embedding program defines these; here the tests do.
video::IVideoDriver* driver;
gui::IGUIEnvironment* guienv;

namespace {

// A null-driver device with a camera, and the toolkit's state reset.
class Toolkit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        device = createDevice(video::EDT_NULL);
        ASSERT_NE(device, nullptr);
        device->getLogger()->setLogLevel(ELL_NONE);
        smgr = device->getSceneManager();
        driver = device->getVideoDriver();
        guienv = device->getGUIEnvironment();
        camera = smgr->addCameraSceneNode();
        campos = step = core::vector3df(0.0f, 0.0f, 0.0f);
        sincamrotx = coscamrotx = sincamroty = coscamroty = 0.0f;
    }

    void TearDown() override
    {
        for (scene::ISceneNode*& slot : node)
            slot = nullptr;
        camera = nullptr;
        gti = nullptr;
        device->drop();
    }

    void fillSlot(u32 slot, const core::vector3df& position = {})
    {
        node[slot] = smgr->addEmptySceneNode();
        node[slot]->setPosition(position);
    }

    IrrlichtDevice* device = nullptr;
    scene::ISceneManager* smgr = nullptr;
};

TEST_F(Toolkit, ObjectValuesReachTheNodeInTheirSlotUnchanged)
{
    fillSlot(0);
    fillSlot(vpSlotCount - 1);
    vpPositionObject(vpSlotCount - 1, 0.5f, 1.25f, -3.75f);
    vpRotateObject(0, 10.0f, 20.5f, -30.0f);
    EXPECT_EQ(node[vpSlotCount - 1]->getPosition(), core::vector3df(0.5f, 1.25f, -3.75f));
    EXPECT_EQ(vpObjectPositionZ(vpSlotCount - 1), -3.75f);
    EXPECT_EQ(vpObjectRotationY(0), 20.5f);
    EXPECT_EQ(node[0]->getPosition(), core::vector3df(0.0f, 0.0f, 0.0f));
}

TEST_F(Toolkit, UntouchedStateMovesToOriginAndWalksAtHeightFive)
{
    vpMoveCamera(7.5f);
    EXPECT_EQ(camera->getPosition(), core::vector3df(0.0f, 0.0f, 0.0f));
    vpWalkCamera(7.5f);
    EXPECT_EQ(camera->getPosition(), core::vector3df(0.0f, 5.0f, 0.0f));
}

TEST_F(Toolkit, MoveAndWalkAreMeasuredFromTheBaseEachTime)
{
    campos = core::vector3df(1.0f, 2.0f, 3.0f);
    coscamrotx = coscamroty = 1.0f;
    vpMoveCamera(10.0f);
    vpMoveCamera(10.0f);
    EXPECT_EQ(camera->getPosition(), core::vector3df(1.0f, 2.0f, 13.0f));
    EXPECT_EQ(step, core::vector3df(0.0f, 0.0f, 10.0f));

    // Walking ignores the pitch and the base height, and leaves `step`.
    sincamrotx = 0.6f;
    vpWalkCamera(10.0f);
    EXPECT_EQ(camera->getPosition(), core::vector3df(1.0f, 5.0f, 13.0f));
    EXPECT_EQ(step, core::vector3df(0.0f, 0.0f, 10.0f));
}

TEST_F(Toolkit, MoveFollowsPitchAndYaw)
{
    // Facing +X, pitched so that the sine is 0.6 and the cosine 0.8.
    sincamroty = 1.0f;
    sincamrotx = 0.6f;
    coscamrotx = 0.8f;
    vpMoveCamera(5.0f);
    EXPECT_FLOAT_EQ(camera->getPosition().X, 4.0f);
    EXPECT_FLOAT_EQ(camera->getPosition().Y, -3.0f);
    EXPECT_FLOAT_EQ(camera->getPosition().Z, 0.0f);
}

TEST_F(Toolkit, DistancesMeasureFromTheBaseNotTheCamera)
{
    fillSlot(4, core::vector3df(3.0f, 12.0f, 4.0f));
    fillSlot(5, core::vector3df(6.0f, 16.0f, 16.0f));
    vpPositionCamera(100.0f, 100.0f, 100.0f);
    EXPECT_EQ(vpCameraDistance2D(4), 5.0f);
    EXPECT_EQ(vpCameraDistance(4), 13.0f);
    EXPECT_EQ(vpObjectsDistance(4, 5), 13.0f);
    EXPECT_EQ(vpObjectsDistance(5, 4), 13.0f);
    EXPECT_EQ(vpObjectsDistance(4, 4), 0.0f);

    campos = core::vector3df(3.0f, 0.0f, 4.0f);
    EXPECT_EQ(vpCameraDistance2D(4), 0.0f);
}

TEST_F(Toolkit, SquaresAreSummedInSinglePrecision)
{
    // 1e-4 squared vanishes against 1 in float, though not in double.
    fillSlot(0, core::vector3df(1.0f, 0.0f, 1e-4f));
    EXPECT_EQ(vpCameraDistance(0), 1.0f);
}

class ToolkitOverlays : public Toolkit
{
protected:
    // Writes a small one-colour image and returns its file name.
    std::string writeImage(const char* name)
    {
        const std::string path = folder.file(name);
        video::IImage* image = driver->createImage(video::ECF_R8G8B8, core::dimension2d<u32>(4, 4));
        image->fill(video::SColor(255, 255, 0, 0));
        EXPECT_TRUE(driver->writeImageToFile(image, path.c_str()));
        image->drop();
        return path;
    }

    const core::list<gui::IGUIElement*>& pasted() const
    {
        return guienv->getRootGUIElement()->getChildren();
    }

    ScratchFolder folder;
};

TEST_F(ToolkitOverlays, PastedImagesStackAtTheirCorners)
{
    const std::string file = writeImage("overlay.bmp");
    vpPasteImage(file.c_str(), 0, 0);
    vpPasteImage(file.c_str(), 100, 50);

    ASSERT_EQ(pasted().size(), 2u);
    auto* first = static_cast<gui::IGUIImage*>(*pasted().begin());
    auto* second = static_cast<gui::IGUIImage*>(*pasted().getLast());
    EXPECT_EQ(first->getRelativePosition().UpperLeftCorner, core::position2d<s32>(0, 0));
    EXPECT_EQ(second->getRelativePosition().UpperLeftCorner, core::position2d<s32>(100, 50));
    ASSERT_NE(first->getImage(), nullptr);
    EXPECT_EQ(first->getImage(), second->getImage());
}

TEST_F(ToolkitOverlays, ToolImageIsReplacedInPlaceAtTheRectangleReadAtCallTime)
{
    gti = guienv->addImage(core::rect<s32>(0, 0, 1, 1));
    gti->setVisible(false);
    tixy = core::rect<s32>(10, 20, 110, 70);
    vpPasteTool(writeImage("tool_a.bmp").c_str());
    video::ITexture* firstImage = gti->getImage();

    tixy = core::rect<s32>(30, 40, 60, 90);
    vpPasteTool(writeImage("tool_b.bmp").c_str());

    EXPECT_EQ(pasted().size(), 1u);
    EXPECT_NE(gti->getImage(), firstImage);
    EXPECT_EQ(gti->getRelativePosition(), core::rect<s32>(30, 40, 60, 90));
    EXPECT_TRUE(gti->isVisible());
    EXPECT_TRUE(gti->isImageScaled());
}
} // namespace
