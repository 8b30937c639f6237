#include "notice.h"
#include "scratch_folder.h"
#include "startup.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace irr;

namespace {

// The largest windows of each shape open, one pixel more does not (the
// message is checked end to end); the null renderer has no window.
TEST(Startup, WindowSizesFollowTheArea)
{
    const struct
    {
        u8 renderer;
        s32 width, height;
        bool accepted;
    } cases[] = {{5, 16384, 4096, true},  {5, 4096, 16384, true}, {2, 8192, 8192, true},
                 {1, 11520, 2160, true},  {5, 1, 1, true},        {0, 0, 65535, true},
                 {5, 16384, 4097, false}, {5, 8193, 8192, false}, {2, 16385, 1, false},
                 {2, 1, 16385, false},    {1, 0, 600, false},     {5, 65535, 65535, false}};
    testing::internal::CaptureStderr();
    for (const auto& c : cases)
        EXPECT_EQ(AcceptWindowSize(c.renderer, c.width, c.height), c.accepted)
            << c.width << " x " << c.height;
    testing::internal::GetCapturedStderr();
}

// Only a file that exists and cannot be read is reported; a FIFO must not
// block the start-up. (A file without permission is tested end to end.)
TEST(Startup, UnreadableSettingsFileIsReported)
{
    const ScratchFolder folder;
    folder.write("file", "\5\3\40\2\130\40");
    std::filesystem::create_directory(folder.file("folder"));
    ASSERT_EQ(mkfifo(folder.file("fifo").c_str(), 0600), 0);
    for (const std::string name : {"file", "missing", "folder", "fifo"}) {
        const bool readable = name == "file" || name == "missing";
        testing::internal::CaptureStderr();
        EXPECT_EQ(AcceptSettingsFile(folder.file(name).c_str()), readable) << name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  readable ? ""
                           : "skyglass: cannot read " + folder.file(name) +
                                 " (not a regular file); using the built-in settings\n");
    }
}

// The reason stays inside a narrow window, wrapped, with its UTF-8 decoded.
TEST(Notice, LongTextIsWrappedInsideTheWindow)
{
    IrrlichtDevice* device = createDevice(video::EDT_NULL, core::dimension2d<u32>(320, 240));
    device->getLogger()->setLogLevel(ELL_NONE);
    gui::IGUIEnvironment* guienv = device->getGUIEnvironment();
    const gui::IGUIElement* box =
        ShowNotice(guienv, "cannot load \"Ferien in Z\xC3\xBCrich vom \xC3\x9C"
                           "etliberg aus gesehen, lang.jpg\": not a regular file");

    const core::rect<s32> area = box->getAbsolutePosition();
    EXPECT_TRUE(area.UpperLeftCorner.X >= 0 && area.UpperLeftCorner.Y >= 0 &&
                area.LowerRightCorner.X <= 320 && area.LowerRightCorner.Y <= 240);
    ASSERT_EQ(box->getChildren().size(), 1u);
    const auto* words = static_cast<gui::IGUIStaticText*>(*box->getChildren().begin());
    EXPECT_GE(words->getTextHeight(), 2 * guienv->getSkin()->getFont()->getDimension(L"A").Height);
    EXPECT_GE(area.getHeight(), words->getTextHeight());
    EXPECT_GE(core::stringw(words->getText()).find(L"Z\u00FCrich vom \u00DCetliberg"), 0);
    device->drop();
}

} // namespace
