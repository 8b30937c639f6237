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

// Moving follows pitch and yaw, walking the yaw alone at eye height 5; both
// measure from the base each time, and only moving sets `step`.
TEST_F(Toolkit, MoveAndWalkGoFromTheBaseAlongTheCachedHeading)
{
    const struct
    {
        core::vector3df base;
        f32 sinx, cosx, siny, cosy, d;
        core::vector3df moved, walked;
    } cases[] = {{{0, 0, 0}, 0, 0, 0, 0, 7.5f, {0, 0, 0}, {0, 5, 0}}, // the state the viewer leaves
                 {{1, 2, 3}, 0, 1, 0, 1, 10, {1, 2, 13}, {1, 5, 13}},
                 {{0, 0, 0}, 0.6f, 0.8f, 1, 0, 5, {4, -3, 0}, {5, 5, 0}}}; // facing +X, pitched
    for (const auto& c : cases) {
        campos = c.base;
        sincamrotx = c.sinx, coscamrotx = c.cosx, sincamroty = c.siny, coscamroty = c.cosy;
        vpMoveCamera(c.d);
        vpMoveCamera(c.d);
        EXPECT_TRUE(camera->getPosition().equals(c.moved)) << c.d;
        EXPECT_TRUE(step.equals(c.moved - c.base)) << c.d;
        vpWalkCamera(c.d);
        EXPECT_TRUE(camera->getPosition().equals(c.walked)) << c.d;
        EXPECT_TRUE(step.equals(c.moved - c.base)) << c.d;
    }
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
