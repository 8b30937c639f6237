// The viewer as a user meets it: the real program in a window of an X server
// of its own, driven with the pointer and the keyboard.
#include "panorama.h"
#include "process.h"
#include "settings_record.h"

#include <X11/keysym.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
using x11testing::Window;

const std::string usageText = "\nUsage: skyglass <imagename.ext>\n"
                              "Supported formats: *.BMP, *.JPG, *.PCX, *.PNG, *.PPM, *.PSD, "
                              "*.RGB, *.TGA, *.WAL";
constexpr char Software = 1, BurningsVideo = 2, Direct3D8 = 3, Direct3D9 = 4, OpenGL = 5;
const std::string sizeRule = "; width and height must be from 1 to 16384, and width x height at "
                             "most 67108864 (8192 x 8192)";

// A "config.cfg": renderer, width, height, 32 bits, windowed, no stencil buffer.
std::string settings(std::uint8_t renderer, int width, int height, std::int8_t vsync = 0)
{
    const SettingsRecord record = EncodeSettings({renderer, width, height, 32, 0, 0, vsync});
    return std::string(record.begin(), record.end());
}

// A "config.cfg" and a command line: the viewer ends with the exit code and the
// message, or runs until its window is closed (0), showing the picture right
// within `tolerance` degrees when one is given.
struct Case
{
    const char* name;
    std::string config;
    int exitCode;
    std::string message; // on standard error, or the usage text that ends the output
    double tolerance = 0.0;
    std::vector<std::string> arguments = {"panorama.bmp"};
    std::vector<std::string> command = {}; // what runs the viewer, such as env
};

// The viewer run in a work folder of its own.
class ViewerRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "no X display; run this test through with-xvfb.sh";
        char pattern[] = "/tmp/skyglass-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        workdir = pattern;
        writeTestPanorama(workdir + "/panorama.bmp", 2048, 1024);
    }
    void TearDown() override
    {
        viewer.reset();
        std::filesystem::remove_all(workdir);
    }

    // Heading 0, then right in steps of 45 degrees to 180, where the image's
    // edges meet; then keys and clicks, which must change nothing.
    void turnAndPress(Window window, int width, int height, double tolerance)
    {
        const auto shows = [&](double heading) {
            std::string difference;
            x11testing::waitUntil([&] {
                difference = compareWithView(x.grab(window), {width, height, heading}, tolerance);
                return difference.empty();
            });
            return difference;
        };
        // A tenth of the width from the centre, where the camera keeps the pointer,
        // turns 10 degrees; moves up or down must not tilt the view.
        const int vertical[] = {0, 0, height / 5, -height / 5, 0};
        for (int i = 0; i < 5; ++i) {
            if (i > 0)
                x.movePointer(window, width / 2 + width * 45 / 100, height / 2 + vertical[i]);
            EXPECT_EQ(shows(45.0 * i), "");
        }
        const x11testing::KeySym keys[] = {XK_w, XK_s, XK_a, XK_d, XK_Up, XK_Left, XK_Escape};
        for (const x11testing::KeySym key : keys)
            x.key(key, true);
        for (const unsigned button : {1u, 3u, 2u, 4u, 5u})
            x.click(button);
        for (const x11testing::KeySym key : keys)
            x.key(key, false);
        // Input is taken in order: once a later pointer move shows, all of it has been.
        x.movePointer(window, width / 2 - width / 10, height / 2);
        EXPECT_EQ(shows(170.0), "");
    }

    x11testing::Connection x;
    std::string workdir;
    std::unique_ptr<Process> viewer;
};

class Viewer : public ViewerRun, public ::testing::WithParamInterface<Case>
{};

TEST_P(Viewer, RunsAsItShould)
{
    const Case& c = GetParam();
    std::ofstream(workdir + "/config.cfg", std::ios::binary) << c.config;
    const std::vector<Window> before = x.topLevelWindows();
    std::vector<std::string> command = c.command;
    command.push_back(SKYGLASS_EXECUTABLE);
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    viewer = std::make_unique<Process>(
        command.front(), std::vector<std::string>(command.begin() + 1, command.end()), workdir);
    if (c.exitCode == 0) {
        const Window window = x.waitForNewWindow(before);
        ASSERT_NE(window, 0u) << viewer->errorOutput();
        EXPECT_TRUE(x11testing::waitUntil([&] { // a frame drawn over the black window
            const x11testing::Image image = x.grab(window);
            return !image.empty() && image.at(image.width / 2, image.height / 2) != 0;
        }));
        const auto byte = [&](int i) { return int(std::uint8_t(c.config[i])); };
        const int width = byte(1) << 8 | byte(2), height = byte(3) << 8 | byte(4);
        int shownWidth = 0, shownHeight = 0;
        EXPECT_TRUE(x.size(window, shownWidth, shownHeight));
        EXPECT_EQ(std::make_pair(shownWidth, shownHeight), std::make_pair(width, height));
        if (c.tolerance > 0.0)
            turnAndPress(window, width, height, c.tolerance);
        x.sendDeleteWindow(window);
    }
    EXPECT_EQ(viewer->waitForExit(), c.exitCode) << viewer->errorOutput();
    const std::string output = viewer->output();
    if (c.message == usageText) { // after the log of the device, which exists already
        EXPECT_EQ(output.rfind(usageText) + usageText.size(), output.size()) << output;
        EXPECT_LT(output.find("Using renderer: OpenGL"), output.rfind(usageText)) << output;
    } else {
        EXPECT_NE(viewer->errorOutput().find(c.message), std::string::npos)
            << viewer->errorOutput();
    }
}

// Mesa cannot set the swap interval under Xvfb and says so with an X error.
INSTANTIATE_TEST_SUITE_P(
    Cases, Viewer,
    ::testing::Values(
        Case{"NoArgument", settings(OpenGL, 320, 240), 1, usageText, 0, {}},
        Case{"TwoArguments", settings(OpenGL, 320, 240), 1, usageText, 0, {"a", "b"}},
        Case{"OpenGL", settings(OpenGL, 640, 480), 0, "", 1.5},
        Case{"BurningsVideo", settings(BurningsVideo, 480, 360), 0, "", 2.5},
        Case{"NullRenderer", settings(0, 640, 480), 1, "no renderer with a window"},
        Case{"Direct3D9", settings(Direct3D9, 320, 240), 1,
             "skyglass: config.cfg chooses renderer 4 (Direct3D 9), which this "
             "system does not have; choose OpenGL, BurningsVideo or Software in "
             "Skyglass GUI\n"},
        Case{"Direct3D8", settings(Direct3D8, 320, 240), 1, "renderer 3 (Direct3D 8)"},
        Case{"UnknownRenderer", settings(6, 320, 240), 1,
             "renderer 6 (no such renderer), which this system does not have"},
        Case{"ZeroWidth", settings(OpenGL, 0, 480), 1,
             "skyglass: the window size 0 x 480 in config.cfg cannot be used" + sizeRule},
        Case{"HugeSize", settings(BurningsVideo, 65535, 65535), 1, "65535 x 65535"},
        Case{"AreaTooLarge", settings(OpenGL, 16384, 8192), 1,
             "skyglass: the window size 16384 x 8192 in config.cfg cannot be used" + sizeRule +
                 "\n"},
        Case{"ThreeScreensWide", settings(OpenGL, 11520, 2160), 0, ""},
        Case{"NoDisplay",
             settings(OpenGL, 320, 240),
             1,
             "skyglass: there is no X display to open the window on: DISPLAY is not "
             "set; start skyglass in a desktop session\n",
             0,
             {"panorama.bmp"},
             {"/usr/bin/env", "-u", "DISPLAY"}},
        Case{"NoGlx",
             settings(OpenGL, 320, 240),
             1,
             "\" has no GLX, which the renderer OpenGL needs; choose BurningsVideo or "
             "Software in Skyglass GUI\n",
             0,
             {"panorama.bmp"},
             {"/usr/bin/env", "SKYGLASS_XVFB_OPTIONS=-extension GLX", SKYGLASS_WITH_XVFB}},
        Case{"RendererFailsOnThisDisplay",
             settings(Software, 320, 240),
             1,
             "skyglass: the renderer Software could not be started on the X display",
             0,
             {"panorama.bmp"},
             {"/usr/bin/env", "SKYGLASS_XVFB_SCREEN=640x480x8", SKYGLASS_WITH_XVFB}},
        Case{"OpenGLWithVerticalSync", settings(OpenGL, 320, 240, 1), 0, ""},
        Case{"MissingImage", settings(OpenGL, 320, 240), 0, "", 0, {"none.png"}}),
    [](const auto& test) { return std::string(test.param.name); });

// A "config.cfg" that cannot be read is named with the reason, and the
// built-in settings (an 800 x 600 window) apply. As root, whom permissions do
// not stop, the viewer runs as another user.
TEST_F(ViewerRun, UnreadableSettingsFileIsReportedAndTheBuiltInSettingsApply)
{
    const std::string config = workdir + "/config.cfg";
    std::ofstream(config, std::ios::binary) << settings(OpenGL, 320, 240);
    ASSERT_EQ(chmod(config.c_str(), 0) | chmod(workdir.c_str(), 0755), 0);
    const bool root = geteuid() == 0;
    std::vector<std::string> arguments = {"panorama.bmp"};
    if (root)
        arguments.insert(arguments.begin(),
                         {"--reuid=65534", "--regid=65534", "--clear-groups", SKYGLASS_EXECUTABLE});
    const std::vector<Window> before = x.topLevelWindows();
    viewer = std::make_unique<Process>(root ? "/usr/bin/setpriv" : SKYGLASS_EXECUTABLE, arguments,
                                       workdir);
    const Window window = x.waitForNewWindow(before);
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    int width = 0, height = 0;
    EXPECT_TRUE(x.size(window, width, height) && width == 800 && height == 600);
    x.sendDeleteWindow(window);
    EXPECT_EQ(viewer->waitForExit(), 0);
    EXPECT_NE(viewer->errorOutput().find("skyglass: cannot read config.cfg (Permission denied); "
                                         "using the built-in settings\n"),
              std::string::npos)
        << viewer->errorOutput();
}

// Over the panorama, a picture that cannot be loaded leaves the reason: light
// text in a dark box at the top of the window, which a picture that loads does
// not have.
TEST_F(ViewerRun, ReasonForAnEmptySphereIsShownInTheWindow)
{
    std::ofstream(workdir + "/damaged.bmp", std::ios::binary) << "BM\x10\x00\x00\x00 cut short";
    std::ofstream(workdir + "/config.cfg", std::ios::binary) << settings(OpenGL, 640, 480);
    for (const char* picture : {"damaged.bmp", "panorama.bmp"}) {
        SCOPED_TRACE(picture);
        const bool loads = picture == std::string("panorama.bmp");
        const std::vector<Window> before = x.topLevelWindows();
        viewer = std::make_unique<Process>(SKYGLASS_EXECUTABLE, std::vector<std::string>{picture},
                                           workdir);
        const Window window = x.waitForNewWindow(before);
        ASSERT_NE(window, 0u) << viewer->errorOutput();
        // The box's colour and the text's white, counted in the top rows.
        int box = 0, text = 0;
        EXPECT_TRUE(x11testing::waitUntil([&] {
            const x11testing::Image image = x.grab(window);
            if (image.empty() || image.at(320, 240) == 0) // no frame yet
                return false;
            box = text = 0;
            for (int y = 0; y < 40; ++y)
                for (int column = 0; column < image.width; ++column) {
                    box += image.at(column, y) == 0x202028;
                    text += image.at(column, y) == 0xFFFFFF && image.at(column, 9) == 0x202028;
                }
            return true;
        }));
        if (loads) {
            EXPECT_EQ(box, 0);
        } else {
            EXPECT_GT(box, 600 * 12) << "the dark box";
            EXPECT_GT(text, 100) << "the text in it";
        }
        x.sendDeleteWindow(window);
        EXPECT_EQ(viewer->waitForExit(), 0);
    }
}

} // namespace
