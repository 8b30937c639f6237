// The viewer as a user meets it: the real executable in a real window of an
// X server of its own, driven with the pointer and the keyboard.
#include "panorama.h"
#include "process.h"
#include "x11_testing.h"

#include <X11/keysym.h>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace {
namespace fs = std::filesystem;
using x11testing::Image;
using x11testing::Window;

const std::string usageText = "\nUsage: skyglass <imagename.ext>\n"
                              "Supported formats: *.BMP, *.JPG, *.PCX, *.PNG, *.PPM, *.PSD, "
                              "*.RGB, *.TGA, *.WAL";
constexpr std::uint32_t background = 0x64658C; // the viewer's clear colour

enum Renderer : std::uint8_t
{
    Null = 0,
    Software = 1,
    BurningsVideo = 2,
    Direct3D9 = 4,
    OpenGL = 5
};

class Viewer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "no X display; run this test through with-xvfb.sh";
        char pattern[] = "/tmp/skyglass-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        workdir = pattern;
    }

    void TearDown() override
    {
        viewer.reset();
        fs::remove_all(workdir);
    }

    void writeFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(workdir + "/" + name, std::ios::binary) << bytes;
    }

    void writeSettings(std::uint8_t renderer, int width, int height, std::uint8_t bpp = 32,
                       std::uint8_t fullscreen = 0, std::uint8_t stencil = 0,
                       std::uint8_t vsync = 0) const
    {
        const char bytes[] = {char(renderer),           char(width >> 8 & 0xFF), char(width & 0xFF),
                              char(height >> 8 & 0xFF), char(height & 0xFF),     char(bpp),
                              char(fullscreen),         char(stencil),           char(vsync)};
        writeFile("config.cfg", std::string(bytes, sizeof bytes));
    }

    // The test panorama in the working folder, by its relative name.
    std::string writePanorama() const
    {
        writeTestPanorama(workdir + "/panorama.bmp", 2048, 1024);
        return "panorama.bmp";
    }

    void start(const std::vector<std::string>& arguments,
               const std::string& program = SKYGLASS_EXECUTABLE)
    {
        windowsBefore = x.topLevelWindows();
        viewer = std::make_unique<Process>(program, arguments, workdir);
    }

    // Waits for the viewer's window and for its first picture.
    Window waitForPicture()
    {
        const Window window = x.waitForNewWindow(windowsBefore);
        if (window == 0)
            return 0;
        x11testing::waitUntil([&] {
            const Image image = x.grab(window);
            return !image.empty() && image.at(image.width / 2, image.height / 2) != 0 &&
                   image.at(image.width / 2, image.height / 2) != background;
        });
        return window;
    }

    // Waits until the window shows what `view` must show; returns the last
    // difference found, empty when it matched.
    std::string waitForView(Window window, const View& view, double tolerance)
    {
        std::string difference;
        x11testing::waitUntil([&] {
            difference = compareWithView(x.grab(window), view, tolerance);
            return difference.empty();
        });
        return difference;
    }

    // Moves the pointer by (dx, dy) from the window's centre, where the camera
    // keeps it, and waits until the camera has taken the move and put the
    // pointer back.
    bool movePointerBy(Window window, int dx, int dy)
    {
        int width = 0, height = 0;
        x.size(window, width, height);
        const auto atCentre = [&] {
            int px = -1, py = -1;
            return x.pointer(window, px, py) && px == width / 2 && py == height / 2;
        };
        if (!x11testing::waitUntil(atCentre))
            return false;
        x.movePointer(window, width / 2 + dx, height / 2 + dy);
        return x11testing::waitUntil(atCentre);
    }

    // Closes the window like a window manager and returns the exit code.
    int closeWindow(Window window)
    {
        x.sendDeleteWindow(window);
        return viewer->waitForExit();
    }

    // Checks the panorama at heading 0, turns right in steps of 45 degrees
    // (one step with a vertical pointer move as well, which must not tilt the
    // view) round to heading 180, where the image's left and right edges meet,
    // checking each view.
    void showsAndTurns(Window window, int width, int height, double tolerance)
    {
        EXPECT_EQ(waitForView(window, View{width, height, 0.0}, tolerance), "");
        // With the FPS camera a pointer move of a tenth of the window's width
        // turns it by 10 degrees.
        const int step = width * 45 / 100;
        const int vertical[] = {0, height / 5, -height / 5, 0};
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(movePointerBy(window, step, vertical[i]));
            EXPECT_EQ(waitForView(window, View{width, height, 45.0 * (i + 1)}, tolerance), "");
        }
    }

    x11testing::Connection x;
    std::string workdir;
    std::vector<Window> windowsBefore;
    std::unique_ptr<Process> viewer;
};

TEST_F(Viewer, UsageTextForWrongArgumentCount)
{
    writeSettings(OpenGL, 320, 240);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"a.jpg", "b.jpg"}}) {
        start(arguments);
        EXPECT_EQ(viewer->waitForExit(), 1);
        const std::string output = viewer->output();
        ASSERT_GE(output.size(), usageText.size());
        EXPECT_EQ(output.substr(output.size() - usageText.size()), usageText);
    }
}

// The device exists before the command line is checked: the log lines of the
// chosen renderer come before the usage text.
TEST_F(Viewer, RendererLogLinesComeBeforeUsageText)
{
    const std::pair<Renderer, std::string> renderers[] = {{OpenGL, "Using renderer: OpenGL"},
                                                          {BurningsVideo, "Using plain X visual"}};
    for (const auto& [renderer, logLine] : renderers) {
        writeSettings(renderer, 320, 240);
        start({});
        EXPECT_EQ(viewer->waitForExit(), 1);
        const std::string output = viewer->output();
        const std::size_t usage = output.rfind(usageText);
        ASSERT_NE(usage, std::string::npos) << output;
        const std::size_t log = output.find(logLine);
        EXPECT_LT(log, usage) << output;
        // The probe device and the real device each announce the engine.
        const std::size_t first = output.find("Irrlicht Engine");
        EXPECT_LT(output.find("Irrlicht Engine", first + 1), usage) << output;
    }
}

TEST_F(Viewer, OpenGLShowsPanoramaUprightAndTurnsWithMouse)
{
    writeSettings(OpenGL, 640, 480);
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    showsAndTurns(window, 640, 480, 1.5);
    EXPECT_EQ(closeWindow(window), 0);
}

TEST_F(Viewer, BurningsVideoShowsPanoramaUprightAndTurnsWithMouse)
{
    writeSettings(BurningsVideo, 480, 360);
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    showsAndTurns(window, 480, 360, 2.5);
    EXPECT_EQ(closeWindow(window), 0);
}

// The plain software renderer maps textures affinely in 16 bits: only the
// centre of the view is checked, roughly.
TEST_F(Viewer, SoftwareRendererShowsPanorama)
{
    writeSettings(Software, 320, 240, 16);
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    Direction centre;
    EXPECT_TRUE(x11testing::waitUntil([&] {
        const Image image = x.grab(window);
        return decodeDirection(image.at(160, 120), centre) && std::fabs(centre.longitude) < 10.0 &&
               std::fabs(centre.latitude) < 10.0;
    })) << centre.longitude
        << "/" << centre.latitude;
    EXPECT_EQ(closeWindow(window), 0);
}

// No key is a command of the viewer, the camera's movement keys move it by
// nothing, and clicks do nothing either.
TEST_F(Viewer, KeysAndClicksChangeNothing)
{
    writeSettings(OpenGL, 480, 360);
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    const View ahead{480, 360, 0.0};
    ASSERT_EQ(waitForView(window, ahead, 1.5), "");

    x.focus(window);
    const x11testing::KeySym movementKeys[] = {XK_w, XK_s, XK_a, XK_d};
    for (const x11testing::KeySym key : movementKeys)
        x.pressKey(key);
    for (const x11testing::KeySym key :
         {XK_Up, XK_Down, XK_Left, XK_Right, XK_Escape, XK_Return, XK_space, XK_q})
        x.tapKey(key);
    for (const unsigned button : {1u, 3u, 2u, 4u, 5u})
        x.click(button);
    for (const x11testing::KeySym key : movementKeys)
        x.releaseKey(key);
    for (const x11testing::KeySym key : movementKeys)
        x.tapKey(key);

    // The viewer handles its input in order, so once a pointer move there
    // and back has been taken, everything before it has been too.
    ASSERT_TRUE(movePointerBy(window, 48, 0));
    ASSERT_TRUE(movePointerBy(window, -48, 0));
    EXPECT_EQ(waitForView(window, ahead, 1.5), "");
    EXPECT_TRUE(viewer->running());
    EXPECT_EQ(closeWindow(window), 0);
}

TEST_F(Viewer, MissingImageStillRuns)
{
    writeSettings(OpenGL, 320, 240);
    start({"no-such-image.png"});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    EXPECT_TRUE(viewer->running());
    EXPECT_EQ(closeWindow(window), 0);
}

// Mesa cannot set the swap interval under Xvfb and says so with an X error,
// which must not end the viewer.
TEST_F(Viewer, OpenGLWithVerticalSyncRuns)
{
    writeSettings(OpenGL, 320, 240, 32, 0, 1, 1);
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    EXPECT_EQ(waitForView(window, View{320, 240, 0.0}, 1.5), "");
    EXPECT_EQ(closeWindow(window), 0) << viewer->errorOutput();
}

// Odd values the launcher never writes: any non-zero flag byte is on, any
// colour depth gives a picture, full screen falls back to a window on a server
// without mode switching.
TEST_F(Viewer, OddFlagAndDepthBytesRun)
{
    writeSettings(BurningsVideo, 320, 240, 0, 255, 2, 255);
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    EXPECT_EQ(closeWindow(window), 0);
}

TEST_F(Viewer, WithoutSettingsFileUsesDefaults)
{
    start({writePanorama()});
    const Window window = waitForPicture();
    ASSERT_NE(window, 0u) << viewer->errorOutput();
    EXPECT_EQ(waitForView(window, View{800, 600, 0.0}, 1.5), "");
    EXPECT_FALSE(fs::exists(workdir + "/config.cfg"));
    EXPECT_EQ(closeWindow(window), 0);
}

TEST_F(Viewer, NullRendererIsRefused)
{
    for (const std::string& settings :
         {std::string("\0\2\x80\1\xe0 \0\0\0", 9), std::string(), std::string("\0\3", 2)}) {
        writeFile("config.cfg", settings);
        start({writePanorama()});
        EXPECT_EQ(viewer->waitForExit(), 1);
        EXPECT_NE(viewer->errorOutput().find("no renderer with a window"), std::string::npos)
            << viewer->errorOutput();
    }
}

// A window the X server cannot make, or one too large, is never asked for.
TEST_F(Viewer, ImpossibleWindowSizesAreRefused)
{
    const std::pair<int, int> sizes[] = {{0, 480},    {640, 0},    {0, 0},
                                         {8193, 600}, {600, 8193}, {65535, 65535}};
    for (const int renderer :
         std::initializer_list<int>{OpenGL, BurningsVideo, Software, Direct3D9, 7, 255})
        for (const auto& [width, height] : sizes) {
            writeSettings(std::uint8_t(renderer), width, height);
            start({writePanorama()});
            EXPECT_EQ(viewer->waitForExit(), 1) << renderer << ": " << width << " x " << height;
            const std::string expected =
                "window size " + std::to_string(width) + " x " + std::to_string(height);
            EXPECT_NE(viewer->errorOutput().find(expected), std::string::npos)
                << viewer->errorOutput();
            EXPECT_EQ(x.topLevelWindows(), windowsBefore);
        }

    // A short file with a renderer but no complete size.
    writeFile("config.cfg", std::string("\5\3\x20", 3));
    start({writePanorama()});
    EXPECT_EQ(viewer->waitForExit(), 1);
    EXPECT_NE(viewer->errorOutput().find("window size 800 x 0"), std::string::npos)
        << viewer->errorOutput();
}

TEST_F(Viewer, UnavailableRendererEndsWithExitCode1)
{
    for (const int renderer : std::initializer_list<int>{Direct3D9, 6, 200}) {
        writeSettings(std::uint8_t(renderer), 320, 240);
        start({writePanorama()});
        EXPECT_EQ(viewer->waitForExit(), 1) << renderer;
    }
}

// A copy of the viewer away from its data finds no panorama mesh.
TEST_F(Viewer, MissingMeshEndsWithOneMessage)
{
    if (fs::exists(SKYGLASS_INSTALLED_MESH))
        GTEST_SKIP() << "an installed " << SKYGLASS_INSTALLED_MESH << " would be found";
    fs::create_directory(workdir + "/bin");
    const std::string copy = workdir + "/bin/skyglass";
    fs::copy_file(SKYGLASS_EXECUTABLE, copy);
    writeSettings(OpenGL, 320, 240);
    start({writePanorama()}, copy);
    EXPECT_EQ(viewer->waitForExit(), 1);
    const std::string errors = viewer->errorOutput();
    EXPECT_NE(errors.find("\"media/360.x\""), std::string::npos) << errors;
    std::size_t lines = 0;
    for (std::size_t at = errors.find("skyglass:"); at != std::string::npos;
         at = errors.find("skyglass:", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << errors;
}

} // namespace
