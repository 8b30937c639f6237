// The real viewer under an X server of its own: damaged files (and a damaged
// file with a misleading extension) leave it running untextured until its
// window is closed, with exit code 0; valid files of every format show the
// picture.
#include "decode.h"
#include "panorama.h"
#include "process.h"
#include "testimages.h"
#include "x11_testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace testimages;
using x11testing::Image;
using x11testing::Window;

constexpr int Width = 320;
constexpr int Height = 240;
constexpr std::uint32_t Background = 0x64658C; // the viewer's clear colour

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The direction-coded test panorama as a picture.
const Picture& TestPanorama()
{
    static const Picture picture = [] {
        const std::string path = fs::temp_directory_path() / "imageload-e2e-panorama.bmp";
        writeTestPanorama(path, 1024, 512);
        const Bytes bmp = ReadAll(path);
        fs::remove(path);
        imageload::DecodedImage image;
        std::string reason;
        Picture p{0, 0, {}};
        if (!imageload::DecodeBmp(bmp.data(), bmp.size(), image, reason))
            return p;
        p.width = image.width;
        p.height = image.height;
        for (std::size_t i = 0; i < std::size_t(image.width) * image.height; ++i) {
            const unsigned char* px = image.pixels.get() + 3 * i;
            p.argb.push_back(0xFF000000u | (px[0] << 16) | (px[1] << 8) | px[2]);
        }
        return p;
    }();
    return picture;
}

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
        const unsigned char settings[] = {
            5, Width >> 8, Width & 0xFF, Height >> 8, Height & 0xFF, 32, 0, 0, 0};
        write("config.cfg", Bytes(settings, settings + sizeof settings));
        fs::create_directories(fs::path(workdir) / "media");
        fs::copy_file(SKYGLASS_RUN_DIR "/media/360.x", fs::path(workdir) / "media" / "360.x");
    }

    void TearDown() override
    {
        viewer.reset();
        fs::remove_all(workdir);
    }

    void write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(fs::path(workdir) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // Starts the viewer on `name` and waits for its first frame.
    Window start(const std::string& name)
    {
        const std::vector<Window> before = x.topLevelWindows();
        viewer =
            std::make_unique<Process>(SKYGLASS_EXECUTABLE, std::vector<std::string>{name}, workdir);
        const Window window = x.waitForNewWindow(before);
        if (window == 0)
            return 0;
        x11testing::waitUntil([&] {
            const Image image = x.grab(window);
            return !image.empty() && image.at(image.width / 2, image.height / 2) != 0 &&
                   image.at(image.width / 2, image.height / 2) != Background;
        });
        return window;
    }

    int close(Window window)
    {
        x.sendDeleteWindow(window);
        return viewer->waitForExit();
    }

    x11testing::Connection x;
    std::string workdir;
    std::unique_ptr<Process> viewer;
};

// An untextured panorama is one flat colour wherever the mesh is.
bool LooksUntextured(const Image& image)
{
    if (image.empty())
        return false;
    const std::uint32_t centre = image.at(image.width / 2, image.height / 2);
    for (int y = image.height / 4; y < image.height * 3 / 4; y += 7)
        for (int x = image.width / 4; x < image.width * 3 / 4; x += 7)
            if (image.at(x, y) != centre)
                return false;
    return centre != Background;
}

TEST_F(ViewerImage, DamagedFilesRunUntexturedAndCloseWithExitCodeZero)
{
    const Picture rgb = MakeTrueColor(64, 32, false);
    const Paletted p256 = MakePaletted(64, 32, 200);
    Bytes jpeg = EncodeJpeg(rgb, JpegKind::Rgb);
    jpeg.resize(jpeg.size() * 2 / 3); // an unfinished download
    Bytes bmp = EncodeBmp(p256, {}, {8, true});
    bmp[bmp.size() / 2] = 0x00; // runs broken, then cut short
    bmp.resize(bmp.size() * 3 / 4);
    Bytes pcx = EncodePcx(p256, {}, PcxKind::Indexed256);
    pcx[8] = 0xFF; // a width far beyond the data
    pcx[9] = 0x3F;
    Bytes misleading = EncodeBmp({}, rgb, {24});
    misleading.resize(misleading.size() / 2);

    const std::pair<std::string, Bytes> files[] = {{"damaged.jpg", jpeg},
                                                   {"damaged.bmp", bmp},
                                                   {"damaged.pcx", pcx},
                                                   {"really-a-bmp.png", misleading}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        write(name, bytes);
        const Window window = start(name);
        ASSERT_NE(window, 0u) << viewer->errorOutput();
        EXPECT_TRUE(x11testing::waitUntil([&] { return LooksUntextured(x.grab(window)); }));
        EXPECT_EQ(close(window), 0);
        const std::string err = viewer->errorOutput();
        EXPECT_NE(err.find("cannot load \"" + name + "\""), std::string::npos) << err;
    }
}

TEST_F(ViewerImage, ValidFilesOfEveryFormatShowThePicture)
{
    const Picture& panorama = TestPanorama();
    ASSERT_GT(panorama.width, 0u);
    const Paletted none;
    struct Case
    {
        std::string name;
        Bytes bytes;
        double tolerance;
    };
    const Case cases[] = {
        {"panorama.bmp", EncodeBmp(none, panorama, {24}), 2.0},
        {"panorama.jpg", EncodeJpeg(panorama, JpegKind::Rgb, 95), 3.0},
        {"panorama.png", EncodePng(panorama, none, PngKind::Rgb), 2.0},
        {"panorama.pcx", EncodePcx(none, panorama, PcxKind::Rgb), 2.0},
        {"panorama.ppm", EncodePnm(panorama, 6, 255), 2.0},
        {"panorama.psd", EncodePsd(panorama, false, true), 2.0},
        {"panorama.rgb", EncodeSgi(panorama, 3, true), 2.0},
        {"panorama.tga", EncodeTga(none, panorama, {10, 24}), 2.0},
        // A misleading name does not matter for a valid file either.
        {"panorama-png.jpg", EncodePng(panorama, none, PngKind::Rgb), 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.name, c.bytes);
        const Window window = start(c.name);
        ASSERT_NE(window, 0u) << viewer->errorOutput();
        std::string difference;
        x11testing::waitUntil([&] {
            difference = compareWithView(x.grab(window), View{Width, Height, 0.0}, c.tolerance);
            return difference.empty();
        });
        EXPECT_EQ(difference, "");
        EXPECT_EQ(close(window), 0);
        EXPECT_EQ(viewer->errorOutput().find("cannot load"), std::string::npos)
            << viewer->errorOutput();
    }
}

} // namespace
