// The real viewer under an X server of its own: damaged files (one with a
// misleading extension) leave it running untextured until its window is
// closed, with exit code 0; valid files of every format show the picture.
#include "decode.h"
#include "panorama.h"
#include "process.h"
#include "testimages.h"
#include "x11_testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace testimages;
using x11testing::Image;

constexpr int Width = 320;
constexpr int Height = 240;
constexpr std::uint32_t Background = 0x64658C; // the viewer's clear colour

class ViewerImage : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "no X display; run this test through with-xvfb.sh";
        char pattern[] = "/tmp/imageload-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        workdir = pattern;
        // OpenGL, 320 x 240, 32 bits, windowed, no stencil, no vertical sync.
        write("config.cfg", {5, Width >> 8, Width & 0xFF, Height >> 8, Height & 0xFF, 32, 0, 0, 0});
        fs::create_directories(workdir / "media");
        fs::copy_file(SKYGLASS_RUN_DIR "/media/360.x", workdir / "media" / "360.x");
    }
    void TearDown() override
    {
        viewer.reset();
        fs::remove_all(workdir);
    }

    void write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(workdir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // Starts the viewer on `bytes` saved as `name`, waits until its window
    // `shows` what it should, closes the window and returns standard error.
    std::string view(const std::string& name, const Bytes& bytes,
                     const std::function<bool(const Image&)>& shows)
    {
        SCOPED_TRACE(name);
        write(name, bytes);
        const std::vector<x11testing::Window> before = x.topLevelWindows();
        viewer = std::make_unique<Process>(SKYGLASS_EXECUTABLE, std::vector<std::string>{name},
                                           workdir.string());
        const x11testing::Window window = x.waitForNewWindow(before);
        EXPECT_NE(window, 0u);
        if (window == 0)
            return viewer->errorOutput();
        EXPECT_TRUE(x11testing::waitUntil([&] { return shows(x.grab(window)); }));
        x.sendDeleteWindow(window);
        EXPECT_EQ(viewer->waitForExit(), 0);
        return viewer->errorOutput();
    }

    x11testing::Connection x;
    fs::path workdir;
    std::unique_ptr<Process> viewer;
};

// An untextured panorama is one flat colour (not black: no frame yet) wherever
// the mesh is.
bool LooksUntextured(const Image& image)
{
    if (image.empty())
        return false;
    const std::uint32_t centre = image.at(image.width / 2, image.height / 2);
    for (int y = image.height / 4; y < image.height * 3 / 4; y += 7)
        for (int x = image.width / 4; x < image.width * 3 / 4; x += 7)
            if (image.at(x, y) != centre)
                return false;
    return centre != Background && centre != 0;
}

TEST_F(ViewerImage, DamagedFilesRunUntexturedAndCloseWithExitCodeZero)
{
    const Picture rgb = MakeTrueColor(64, 32, false), p256 = MakePaletted(64, 32, 200);
    Bytes jpeg = EncodeJpeg(rgb, "RGB"), bmp = EncodeBmp(p256, "I", true);
    Bytes pcx = EncodePcx(p256, "I"), misleading = EncodeBmp(rgb, "BGR");
    jpeg.resize(jpeg.size() * 2 / 3); // an unfinished download
    bmp[bmp.size() / 2] = 0x00;       // runs broken, then cut short
    bmp.resize(bmp.size() * 3 / 4);
    pcx[8] = 0xFF, pcx[9] = 0x3F; // a width far beyond the data
    misleading.resize(misleading.size() / 2);
    const std::pair<std::string, Bytes> files[] = {{"damaged.jpg", jpeg},
                                                   {"damaged.bmp", bmp},
                                                   {"damaged.pcx", pcx},
                                                   {"really-a-bmp.png", misleading}};
    for (const auto& [name, bytes] : files) {
        const std::string err = view(name, bytes, LooksUntextured);
        EXPECT_NE(err.find("cannot load \"" + name + "\""), std::string::npos) << err;
    }
}

TEST_F(ViewerImage, ValidFilesOfEveryFormatShowThePicture)
{
    // The direction-coded test panorama as a picture.
    writeTestPanorama((workdir / "panorama.bmp").string(), 1024, 512);
    std::ifstream in(workdir / "panorama.bmp", std::ios::binary);
    const Bytes bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    imageload::DecodedImage image;
    std::string reason;
    ASSERT_TRUE(imageload::DecodeBmp(bmp.data(), bmp.size(), image, reason)) << reason;
    Picture panorama{image.width, image.height};
    for (std::size_t i = 0; i < std::size_t(image.width) * image.height; ++i) {
        const unsigned char* px = image.pixels.get() + 3 * i;
        panorama.argb.push_back(0xFF000000u | (px[0] << 16) | (px[1] << 8) | px[2]);
    }
    const std::tuple<std::string, Bytes, double> cases[] = {
        {"panorama.bmp", bmp, 2.0},
        {"panorama.jpg", EncodeJpeg(panorama, "RGB", JpegKind::Baseline, 95), 3.0},
        {"panorama.png", EncodePng(panorama, "RGB"), 2.0},
        {"panorama.pcx", EncodePcx(panorama, "RGB"), 2.0},
        {"panorama.ppm", EncodePnm(panorama, "RGB"), 2.0},
        {"panorama.psd", EncodePsd(panorama, "RGB", true), 2.0},
        {"panorama.rgb", EncodeSgi(panorama, "RGB", true), 2.0},
        {"panorama.tga", EncodeTga(panorama, "BGR", true), 2.0},
        {"panorama-png.jpg", EncodePng(panorama, "RGB"), 2.0}, // the name does not matter
    };
    for (const auto& [name, bytes, tolerance] : cases) {
        const double limit = tolerance; // degrees
        std::string difference;
        const std::string err = view(name, bytes, [&](const Image& shown) {
            difference = compareWithView(shown, View{Width, Height, 0.0}, limit);
            return difference.empty();
        });
        EXPECT_EQ(difference, "") << name;
        EXPECT_EQ(err.find("cannot load"), std::string::npos) << err;
    }
}

} // namespace
