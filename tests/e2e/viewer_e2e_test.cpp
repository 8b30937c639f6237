// The viewer as a user meets it: the real program in a window of an X server
// of its own, driven with the pointer and the keyboard.
#include "test_panorama.h"
#include "viewer_run.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
using x11testing::Window;

const std::string usageText = "\nUsage: skyglass <imagename.ext>\n"
                              "Supported formats: *.BMP, *.JPG, *.PCX, *.PNG, *.PPM, *.PSD, "
                              "*.RGB, *.TGA, *.WAL";
constexpr std::uint8_t Software = 1, BurningsVideo = 2, Direct3D8 = 3, Direct3D9 = 4, OpenGL = 5;
const std::string sizeRule = "; width and height must be from 1 to 16384, and width x height at "
                             "most 67108864 (8192 x 8192)";

// A "config.cfg": renderer, width, height, 32 bits, windowed, no stencil buffer.
Settings settings(std::uint8_t renderer, int width, int height, std::int8_t vsync = 0)
{
    return {renderer, width, height, 32, 0, 0, vsync};
}

// A "config.cfg" and a command line: the viewer ends with the exit code and the
// message, or runs until its window is closed (0), showing the picture right
// within `tolerance` degrees when one is given.
struct Case
{
    const char* name;
    Settings config;
    int exitCode;
    std::string message; // on standard error, or the usage text that ends the output
    double tolerance = 0.0;
    std::vector<std::string> arguments = {"panorama.bmp"};
    std::vector<std::string> runner = {}; // what runs the viewer, such as env
};

// The viewer run in a folder of its own that holds the test panorama.
class ViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run.x.isOpen()) << "no X display; run this test through with-xvfb.sh";
        run.folder.write("panorama.bmp", testPanorama(2048, 1024));
    }

    // Heading 0, then right in steps of 45 degrees to 180, where the image's
    // edges meet; then keys and clicks, which must change nothing.
    void turnAndPress(Window window, int width, int height, double tolerance)
    {
        const auto shows = [&](double heading) {
            std::string difference;
            x11testing::waitUntil([&] {
                difference =
                    compareWithView(run.x.grab(window), {width, height, heading}, tolerance);
                return difference.empty();
            });
            return difference;
        };
        // A tenth of the width from the centre, where the camera keeps the pointer,
        // turns 10 degrees; moves up or down must not tilt the view.
        const int vertical[] = {0, 0, height / 5, -height / 5, 0};
        for (int i = 0; i < 5; ++i) {
            if (i > 0)
                run.x.movePointer(window, width / 2 + width * 45 / 100, height / 2 + vertical[i]);
            EXPECT_EQ(shows(45.0 * i), "");
        }
        const x11testing::KeySym keys[] = {XK_w, XK_s, XK_a, XK_d, XK_Up, XK_Left, XK_Escape};
        for (const x11testing::KeySym key : keys)
            run.x.key(key, true);
        for (const unsigned button : {1u, 3u, 2u, 4u, 5u})
            run.x.click(button);
        for (const x11testing::KeySym key : keys)
            run.x.key(key, false);
        // Input is taken in order: once a later pointer move shows, all of it has been.
        run.x.movePointer(window, width / 2 - width / 10, height / 2);
        EXPECT_EQ(shows(170.0), "");
    }

    ViewerRun run;
};

class Viewer : public ViewerTest, public ::testing::WithParamInterface<Case>
{};

TEST_P(Viewer, RunsAsItShould)
{
    const Case& c = GetParam();
    run.writeSettings(c.config);
    run.start(c.arguments, c.runner);
    if (c.exitCode == 0) {
        const Window window = run.waitForWindow();
        ASSERT_NE(window, 0u) << run.errorOutput();
        EXPECT_FALSE(run.waitForFrame(window).empty());
        int width = 0, height = 0;
        EXPECT_TRUE(run.x.size(window, width, height));
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(c.config.resx, c.config.resy));
        if (c.tolerance > 0.0)
            turnAndPress(window, width, height, c.tolerance);
        run.x.sendDeleteWindow(window);
    }
    EXPECT_EQ(run.waitForExit(), c.exitCode) << run.errorOutput();
    const std::string output = run.output();
    if (c.message == usageText) { // after the log of the device, which exists already
        EXPECT_EQ(output.rfind(usageText) + usageText.size(), output.size()) << output;
        EXPECT_LT(output.find("Using renderer: OpenGL"), output.rfind(usageText)) << output;
    } else {
        EXPECT_NE(run.errorOutput().find(c.message), std::string::npos) << run.errorOutput();
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
// not stop, the viewer runs as another user, a copy of it with its media in the
// folder, wherever the build lies.
TEST_F(ViewerTest, UnreadableSettingsFileIsReportedAndTheBuiltInSettingsApply)
{
    run.writeSettings(settings(OpenGL, 320, 240));
    ASSERT_EQ(chmod(run.folder.file("config.cfg").c_str(), 0), 0);
    std::vector<std::string> runner;
    if (geteuid() == 0) {
        run.copyViewerForAnotherUser();
        runner = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    run.start({"panorama.bmp"}, runner);
    const Window window = run.waitForWindow();
    ASSERT_NE(window, 0u) << run.errorOutput();
    int width = 0, height = 0;
    EXPECT_TRUE(run.x.size(window, width, height) && width == 800 && height == 600);
    EXPECT_EQ(run.close(window), 0);
    EXPECT_NE(run.errorOutput().find("skyglass: cannot read config.cfg (Permission denied); "
                                     "using the built-in settings\n"),
              std::string::npos)
        << run.errorOutput();
}

// Over the panorama, a picture that cannot be loaded leaves the reason: light
// text in a dark box at the top of the window, which a picture that loads does
// not have.
TEST_F(ViewerTest, ReasonForAnEmptySphereIsShownInTheWindow)
{
    run.folder.write("damaged.bmp", "BM\x10"); // cut short after its signature
    run.writeSettings(settings(OpenGL, 640, 480));
    for (const std::string picture : {"damaged.bmp", "panorama.bmp"}) {
        SCOPED_TRACE(picture);
        run.start({picture});
        const Window window = run.waitForWindow();
        ASSERT_NE(window, 0u) << run.errorOutput();
        // The box's colour and the text's white, counted in the top rows.
        const x11testing::Image image = run.waitForFrame(window);
        int box = 0, text = 0;
        for (int y = 0; y < 40 && !image.empty(); ++y)
            for (int column = 0; column < image.width; ++column) {
                box += image.at(column, y) == 0x202028;
                text += image.at(column, y) == 0xFFFFFF && image.at(column, 9) == 0x202028;
            }
        if (picture == "panorama.bmp") {
            EXPECT_EQ(box, 0);
        } else {
            EXPECT_GT(box, 600 * 12) << "the dark box";
            EXPECT_GT(text, 100) << "the text in it";
        }
        EXPECT_EQ(run.close(window), 0);
    }
}

} // namespace
