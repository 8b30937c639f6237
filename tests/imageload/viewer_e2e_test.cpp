// The real viewer under an X server of its own: damaged files (one with a
// misleading extension) are refused with a message while the viewer runs on
// until its window is closed, with exit code 0; valid files show the picture.
#include "panorama.h"
#include "process.h"
#include "settings_record.h"
#include "testimages.h"
#include "x11_testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;
using namespace testimages;
using x11testing::Image;

// Runs the viewer in a folder of its own on `bytes` saved as `name`, waits
// until its window `shows` what it should, closes the window and returns
// what the viewer wrote on standard error.
std::string RunViewer(const std::string& name, const Bytes& bytes,
                      const std::function<bool(const Image&)>& shows)
{
    SCOPED_TRACE(name);
    x11testing::Connection x;
    EXPECT_TRUE(x.isOpen()) << "no X display; run this test through with-xvfb.sh";
    char pattern[] = "/tmp/imageload-e2e-XXXXXX";
    const fs::path dir = mkdtemp(pattern);
    fs::create_directories(dir / "media");
    fs::copy_file(SKYGLASS_RUN_DIR "/media/360.x", dir / "media" / "360.x");
    const SettingsRecord record = EncodeSettings({5, 320, 240, 32, 0, 0, 0}); // OpenGL, windowed
    const Bytes settings(record.begin(), record.end());
    for (const auto& [file, content] :
         {std::pair(std::string("config.cfg"), settings), {name, bytes}})
        std::ofstream(dir / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
    const std::vector<x11testing::Window> before = x.topLevelWindows();
    Process viewer(SKYGLASS_EXECUTABLE, {name}, dir.string());
    const x11testing::Window window = x.waitForNewWindow(before);
    EXPECT_NE(window, 0u);
    if (window) {
        EXPECT_TRUE(x11testing::waitUntil([&] { return shows(x.grab(window)); }));
        x.sendDeleteWindow(window);
        EXPECT_EQ(viewer.waitForExit(), 0);
    }
    const std::string err = viewer.errorOutput();
    fs::remove_all(dir);
    return err;
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
    const std::string path = testing::TempDir() + "imageload-e2e-" + std::to_string(getpid());
    writeTestPanorama(path, 1024, 512);
    std::ifstream in(path, std::ios::binary);
    const Bytes bmp{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove(path);
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
