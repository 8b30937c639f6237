#include "notice.h"
#include "startup.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace irr;

namespace {

// What `check` writes on standard error.
template <typename Check> std::string StandardError(Check check)
{
    testing::internal::CaptureStderr();
    check();
    return testing::internal::GetCapturedStderr();
}

// The largest windows of each shape open; one pixel more does not.
TEST(Startup, WindowSizesFollowTheArea)
{
    const struct
    {
        u8 renderer;
        s32 width, height;
        bool accepted;
    } cases[] = {{5, 16384, 4096, true},  {5, 4096, 16384, true},   {5, 8192, 8192, true},
                 {2, 11520, 2160, true},  {1, 1, 1, true},          {1, 16384, 1, true},
                 {5, 16384, 4097, false}, {5, 4097, 16384, false},  {5, 8193, 8192, false},
                 {2, 16385, 1, false},    {2, 1, 16385, false},     {1, 0, 600, false},
                 {1, 800, 0, false},      {5, 65535, 65535, false}, {0, 0, 0, true},
                 {0, 65535, 65535, true}};
    for (const auto& c : cases) {
        bool accepted = false;
        const std::string message =
            StandardError([&] { accepted = AcceptWindowSize(c.renderer, c.width, c.height); });
        EXPECT_EQ(accepted, c.accepted) << c.width << " x " << c.height;
        EXPECT_EQ(message, c.accepted
                               ? ""
                               : "skyglass: the window size " + std::to_string(c.width) + " x " +
                                     std::to_string(c.height) +
                                     " in config.cfg cannot be used; width and height must be from "
                                     "1 to 16384, and width x height at most 67108864 (8192 x "
                                     "8192)\n");
    }
}

TEST(Startup, RenderersThisSystemLacksAreNamedInTheRefusal)
{
    const std::string advice =
        ", which this system does not have; choose OpenGL, BurningsVideo or Software in "
        "Skyglass GUI\n";
    const std::pair<u8, std::string> cases[] = {
        {0, ""},
        {1, ""},
        {2, ""},
        {5, ""},
        {3, "skyglass: config.cfg chooses renderer 3 (Direct3D 8)" + advice},
        {4, "skyglass: config.cfg chooses renderer 4 (Direct3D 9)" + advice},
        {6, "skyglass: config.cfg chooses renderer 6 (no such renderer)" + advice},
        {255, "skyglass: config.cfg chooses renderer 255 (no such renderer)" + advice}};
    for (const auto& [renderer, refusal] : cases) {
        bool accepted = false;
        EXPECT_EQ(StandardError([&] { accepted = AcceptRenderer(renderer); }), refusal);
        EXPECT_EQ(accepted, refusal.empty()) << int(renderer);
    }
}

// Only a file that exists and cannot be read is reported; a FIFO must not
// block the start-up.
TEST(Startup, UnreadableSettingsFileIsReported)
{
    char pattern[] = "/tmp/skyglass-startup-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    std::ofstream(dir + "/file") << "\5\3\40\2\130\40\0\0\0";
    std::filesystem::create_directory(dir + "/folder");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"file", ""},
        {"missing", ""},
        {"folder", " (not a regular file); using the built-in settings\n"},
        {"fifo", " (not a regular file); using the built-in settings\n"}};
    for (const auto& [name, refusal] : cases) {
        const std::string path = dir + "/" + name;
        bool accepted = false;
        EXPECT_EQ(StandardError([&] { accepted = AcceptSettingsFile(path.c_str()); }),
                  refusal.empty() ? "" : "skyglass: cannot read " + path + refusal);
        EXPECT_EQ(accepted, refusal.empty()) << name;
    }
    std::filesystem::remove_all(dir);
}

// The reason stays inside a narrow window, wrapped, with its UTF-8 decoded.
TEST(Notice, LongTextIsWrappedInsideTheWindow)
{
    IrrlichtDevice* device = createDevice(video::EDT_NULL, core::dimension2d<u32>(320, 240));
    device->getLogger()->setLogLevel(ELL_NONE);
    gui::IGUIEnvironment* guienv = device->getGUIEnvironment();
    const char* text = "cannot load \"Ferien in Z\xC3\xBCrich vom \xC3\x9C"
                       "etliberg aus gesehen, sehr lang.jpg\": not a regular file";
    gui::IGUIElement* box = ShowNotice(guienv, text);

    const core::rect<s32> window(0, 0, 320, 240);
    const core::rect<s32> area = box->getAbsolutePosition();
    EXPECT_TRUE(window.isRectCollided(area) && area.UpperLeftCorner.X >= 0 &&
                area.LowerRightCorner.X <= 320)
        << area.LowerRightCorner.X;
    ASSERT_EQ(box->getChildren().size(), 1u);
    const auto* words = static_cast<gui::IGUIStaticText*>(*box->getChildren().begin());
    const s32 line = guienv->getSkin()->getFont()->getDimension(L"A").Height;
    EXPECT_GE(words->getTextHeight(), 2 * line);
    EXPECT_GE(area.getHeight(), words->getTextHeight());
    EXPECT_TRUE(core::stringw(words->getText()).find(L"Z\u00FCrich vom \u00DCetliberg") >= 0);
    device->drop();
}

} // namespace
