#include "null_engine.h"
#include "vesper.h"

#include <string>

using namespace irr;

namespace {
class ToolkitOverlays : public NullEngine
{
protected:
    void SetUp() override
    {
        NullEngine::SetUp();
        red = writeImage("overlay_red.bmp", video::SColor(255, 255, 0, 0), 16, 8);
        blue = writeImage("overlay_blue.bmp", video::SColor(255, 0, 0, 255), 4, 4);
    }

    // Writes a one-colour image of the given size and returns its file name.
    std::string writeImage(const char* name, video::SColor colour, u32 width, u32 height)
    {
        const std::string path = ::testing::TempDir() + name;
        video::IImage* image =
            driver->createImage(video::ECF_R8G8B8, core::dimension2d<u32>(width, height));
        image->fill(colour);
        EXPECT_TRUE(driver->writeImageToFile(image, path.c_str()));
        image->drop();
        return path;
    }

    u32 rootChildCount() const { return guienv->getRootGUIElement()->getChildren().size(); }

    gui::IGUIImage* rootChild(u32 index) const
    {
        auto it = guienv->getRootGUIElement()->getChildren().begin();
        for (u32 i = 0; i < index; ++i)
            ++it;
        return static_cast<gui::IGUIImage*>(*it);
    }

    std::string red, blue;
};

TEST_F(ToolkitOverlays, PastedImagesStackAtTheirCorners)
{
    vpPasteImage(red.c_str(), 0, 0);
    vpPasteImage(red.c_str(), 100, 50);

    ASSERT_EQ(rootChildCount(), 2u);
    gui::IGUIImage* first = rootChild(0);
    gui::IGUIImage* second = rootChild(1);
    // The null driver's textures have no size, so only the corners are known.
    EXPECT_EQ(first->getRelativePosition().UpperLeftCorner, core::position2d<s32>(0, 0));
    EXPECT_EQ(second->getRelativePosition().UpperLeftCorner, core::position2d<s32>(100, 50));
    ASSERT_NE(first->getImage(), nullptr);
    EXPECT_EQ(first->getImage(), second->getImage());
    EXPECT_TRUE(first->isAlphaChannelUsed());
}

TEST_F(ToolkitOverlays, UnloadableImageStillAddsAnElement)
{
    vpPasteImage((::testing::TempDir() + "no_such_image.png").c_str(), 5, 6);
    ASSERT_EQ(rootChildCount(), 1u);
    EXPECT_EQ(rootChild(0)->getImage(), nullptr);
}

TEST_F(ToolkitOverlays, ToolImageIsReplacedInPlaceAtTheRectangleReadAtCallTime)
{
    gti = guienv->addImage(core::rect<s32>(0, 0, 1, 1));
    gti->setVisible(false);

    tixy = core::rect<s32>(10, 20, 110, 70);
    vpPasteTool(red.c_str());
    video::ITexture* redTexture = gti->getImage();
    ASSERT_NE(redTexture, nullptr);

    tixy = core::rect<s32>(30, 40, 60, 90);
    vpPasteTool(blue.c_str());

    EXPECT_EQ(rootChildCount(), 1u);
    EXPECT_NE(gti->getImage(), nullptr);
    EXPECT_NE(gti->getImage(), redTexture);
    EXPECT_EQ(gti->getRelativePosition(), core::rect<s32>(30, 40, 60, 90));
    EXPECT_TRUE(gti->isVisible());
    EXPECT_TRUE(gti->isImageScaled());
}

TEST_F(ToolkitOverlays, ToolImageScalesWithItsParent)
{
    gti = guienv->addImage(core::rect<s32>(0, 0, 1, 1));
    tixy = core::rect<s32>(10, 20, 110, 70);
    vpPasteTool(red.c_str());

    // EGUIA_SCALE on all edges keeps the proportional place when the root doubles.
    const core::rect<s32> screen = guienv->getRootGUIElement()->getRelativePosition();
    guienv->getRootGUIElement()->setRelativePosition(
        core::rect<s32>(0, 0, screen.getWidth() * 2, screen.getHeight() * 2));
    EXPECT_EQ(gti->getRelativePosition(), core::rect<s32>(20, 40, 220, 140));
}

TEST_F(ToolkitOverlays, SubtitleBackgroundMovesWithStxy)
{
    subtitlesbg = guienv->addImage(core::rect<s32>(0, 0, 1, 1));
    stxy = core::rect<s32>(0, 400, 640, 480);
    vpPasteSubtitles(blue.c_str());
    EXPECT_EQ(subtitlesbg->getRelativePosition(), core::rect<s32>(0, 400, 640, 480));

    stxy = core::rect<s32>(0, 300, 320, 360);
    vpPasteSubtitles(blue.c_str());
    EXPECT_EQ(subtitlesbg->getRelativePosition(), core::rect<s32>(0, 300, 320, 360));
    EXPECT_EQ(rootChildCount(), 1u);
}

TEST_F(ToolkitOverlays, UntouchedToolRectangleHasNoArea)
{
    gti = guienv->addImage(core::rect<s32>(5, 5, 50, 50));
    vpPasteTool(nullptr);
    EXPECT_EQ(gti->getImage(), nullptr);
    // The engine keeps every element at least one pixel wide and high.
    EXPECT_EQ(gti->getRelativePosition(), core::rect<s32>(0, 0, 1, 1));
    EXPECT_TRUE(gti->isVisible());
}
} // namespace
