// The real viewer under an X server of its own: damaged files (one with a
// misleading extension) are refused with a message while the viewer runs on
// until its window is closed, with exit code 0; valid files show the picture.
#include "test_panorama.h"
#include "testimages.h"
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace testimages;
using x11testing::Image;

// Runs the viewer in a folder of its own on `bytes` saved as `name`, waits
// until its window `shows` what it should, closes the window and returns
// what the viewer wrote on standard error.
std::string RunViewer(const std::string& name, const Bytes& bytes,
                      const std::function<bool(const Image&)>& shows)
{
    SCOPED_TRACE(name);
    ViewerRun run;
    EXPECT_TRUE(run.x.isOpen()) << "no X display; run this test through with-xvfb.sh";
    run.writeSettings({5, 320, 240, 32, 0, 0, 0}); // OpenGL, windowed
    run.folder.write(name, std::string(bytes.begin(), bytes.end()));
    run.start({name});
    const x11testing::Window window = run.waitForWindow();
    EXPECT_NE(window, 0u);
    if (window) {
        EXPECT_TRUE(x11testing::waitUntil([&] { return shows(run.x.grab(window)); }));
        EXPECT_EQ(run.close(window), 0);
    }
    return run.errorOutput();
}

TEST(ViewerImage, DamagedFilesAreRefusedAndTheViewerClosesWithExitCodeZero)
{
    const Picture rgb = MakeTrueColor(64, 32, false);
    Bytes jpeg = EncodeJpeg(rgb, "RGB"), bmp = EncodeBmp(MakePaletted(64, 32), "I", true);
    Bytes misleading = EncodeBmp(rgb, "BGR");
    jpeg.resize(jpeg.size() * 2 / 3);                        // an unfinished download
    bmp[bmp.size() / 2] = 0, bmp.resize(bmp.size() * 3 / 4); // runs broken, cut short
    misleading.resize(misleading.size() / 2);
    for (const auto& [name, bytes] : {std::pair<std::string, Bytes>{"damaged.jpg", jpeg},
                                      {"damaged.bmp", bmp},
                                      {"really-a-bmp.png", misleading}}) {
        // The first frame: the untextured panorama in the middle of the window.
        const std::string err = RunViewer(name, bytes, [](const Image& shown) {
            return !shown.empty() && shown.at(shown.width / 2, shown.height / 2) != 0;
        });
        EXPECT_NE(err.find("cannot load \"" + name + "\""), std::string::npos) << err;
    }
}

TEST(ViewerImage, ValidFilesShowThePicture)
{
    const std::string panorama = testPanorama(1024, 512);
    const Bytes bmp(panorama.begin(), panorama.end());
    // The name does not matter for a valid file either.
    for (const std::string name : {"panorama.bmp", "panorama-bmp.jpg"}) {
        std::string difference;
        const std::string err = RunViewer(name, bmp, [&](const Image& shown) {
            return (difference = compareWithView(shown, View{320, 240, 0.0}, 2.0)).empty();
        });
        EXPECT_EQ(difference, "") << name;
        EXPECT_EQ(err.find("cannot load"), std::string::npos) << err;
    }
}

} // namespace
