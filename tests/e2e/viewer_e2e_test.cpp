// The viewer as a user meets it: the real program in a window of an X server
// of its own, driven with the pointer and the keyboard.
#include "panorama.h"
#include "process.h"

#include <X11/keysym.h>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
using x11testing::Window;

const std::string usageText = "\nUsage: skyglass <imagename.ext>\n"
                              "Supported formats: *.BMP, *.JPG, *.PCX, *.PNG, *.PPM, *.PSD, "
                              "*.RGB, *.TGA, *.WAL";
constexpr char BurningsVideo = 2, Direct3D9 = 4, OpenGL = 5;

// A "config.cfg": renderer, width, height, 32 bits, windowed, no stencil buffer.
std::string settings(char renderer, int width, int height, char vsync = 0)
{
    return {renderer, char(width >> 8), char(width), char(height >> 8), char(height), 32, 0, 0,
            vsync};
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
};

class Viewer : public ::testing::TestWithParam<Case>
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

TEST_P(Viewer, RunsAsItShould)
{
    const Case& c = GetParam();
    std::ofstream(workdir + "/config.cfg", std::ios::binary) << c.config;
    const std::vector<Window> before = x.topLevelWindows();
    viewer = std::make_unique<Process>(SKYGLASS_EXECUTABLE, c.arguments, workdir);
    if (c.exitCode == 0) {
        const Window window = x.waitForNewWindow(before);
        ASSERT_NE(window, 0u) << viewer->errorOutput();
        EXPECT_TRUE(x11testing::waitUntil([&] { // a frame drawn over the black window
            const x11testing::Image image = x.grab(window);
            return !image.empty() && image.at(image.width / 2, image.height / 2) != 0;
        }));
        const auto byte = [&](int i) { return int(std::uint8_t(c.config[i])); };
        if (c.tolerance > 0.0)
            turnAndPress(window, byte(1) << 8 | byte(2), byte(3) << 8 | byte(4), c.tolerance);
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
    ::testing::Values(Case{"NoArgument", settings(OpenGL, 320, 240), 1, usageText, 0, {}},
                      Case{"TwoArguments", settings(OpenGL, 320, 240), 1, usageText, 0, {"a", "b"}},
                      Case{"OpenGL", settings(OpenGL, 640, 480), 0, "", 1.5},
                      Case{"BurningsVideo", settings(BurningsVideo, 480, 360), 0, "", 2.5},
                      Case{"NullRenderer", settings(0, 640, 480), 1, "no renderer with a window"},
                      Case{"UnavailableRenderer", settings(Direct3D9, 320, 240), 1, ""},
                      Case{"ZeroWidth", settings(OpenGL, 0, 480), 1, "window size 0 x 480"},
                      Case{"HugeSize", settings(BurningsVideo, 65535, 65535), 1, "65535 x 65535"},
                      Case{"OpenGLWithVerticalSync", settings(OpenGL, 320, 240, 1), 0, ""},
                      Case{"MissingImage", settings(OpenGL, 320, 240), 0, "", 0, {"none.png"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
