// The real viewer under an X server of its own: damaged files (one with a
// misleading extension) are refused with a message while the viewer runs on
// until its window is closed, with exit code 0; valid files show the picture,
// each format as the PNG of the same picture does; files built to cost the
// most of their kind show their first frame within the harness's wait.
#include "test_panorama.h"
#include "testimages.h"
#include "viewer_run.h"
#include "worstfiles.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <tuple>

namespace {

using namespace testimages;
using x11testing::Image;

// Runs the viewer in a folder of its own on the file `name` that `write`
// writes there, waits until its window `shows` what it should, closes the
// window and returns what the viewer wrote on standard error.
std::string RunViewer(const std::string& name, const std::function<void(std::ostream&)>& write,
                      const std::function<bool(const Image&)>& shows)
{
    SCOPED_TRACE(name);
    ViewerRun run;
    EXPECT_TRUE(run.x.isOpen()) << "no X display; run this test through with-xvfb.sh";
    run.writeSettings({5, 320, 240, 32, 0, 0, 0}); // OpenGL, windowed
    {
        std::ofstream file(run.folder.file(name), std::ios::binary);
        write(file);
    }
    run.start({name});
    const x11testing::Window window = run.waitForWindow();
    EXPECT_NE(window, 0u);
    if (window) {
        EXPECT_TRUE(x11testing::waitUntil([&] { return shows(run.x.grab(window)); }));
        EXPECT_EQ(run.close(window), 0);
    }
    return run.errorOutput();
}

std::string RunViewer(const std::string& name, const Bytes& bytes,
                      const std::function<bool(const Image&)>& shows)
{
    return RunViewer(
        name,
        [&](std::ostream& out) {
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        },
        shows);
}

// The first frame: the window is black until the viewer draws, and the
// frame stays as it is while the view does not turn.
std::function<bool(const Image&)> FirstFrame(Image& frame)
{
    return [&frame](const Image& shown) {
        const bool drawn = !shown.empty() && shown.at(shown.width / 2, shown.height / 2) != 0;
        const bool steady = drawn && shown.pixels == frame.pixels;
        frame = shown;
        return steady;
    };
}

// Pixels of two frames whose colours differ by more than `tolerance` in a
// channel.
int Differences(const Image& a, const Image& b, int tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return -1;
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift : {0, 8, 16})
            if (std::abs(int(a.pixels[i] >> shift & 0xFF) - int(b.pixels[i] >> shift & 0xFF)) >
                tolerance) {
                ++count;
                break;
            }
    return count;
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

// The direction-coded test panorama, as a picture to store in any format.
Picture TestPanorama(int width, int height)
{
    ScratchFolder folder;
    folder.write("panorama.bmp", testPanorama(width, height));
    std::string reason;
    const Picture p = ReadRgbPicture(folder.file("panorama.bmp").c_str(), reason);
    EXPECT_FALSE(p.argb.empty()) << reason;
    return p;
}

// The same picture in 216 colours, for the formats with a palette (of 256).
Picture WithPalette(const Picture& p)
{
    Picture q{p.width, p.height};
    for (unsigned i = 0; i < 256; ++i)
        q.palette.push_back(i < 216 ? 0xFF000000u | (i / 36 * 51) << 16 | (i / 6 % 6 * 51) << 8 |
                                          i % 6 * 51
                                    : 0xFF000000u);
    for (std::uint32_t c : p.argb) {
        const unsigned r = ((c >> 16 & 0xFF) + 25) / 51, g = ((c >> 8 & 0xFF) + 25) / 51;
        const unsigned b = ((c & 0xFF) + 25) / 51;
        q.indices.push_back(static_cast<unsigned char>(r * 36 + g * 6 + b));
        q.argb.push_back(q.palette[q.indices.back()]);
    }
    return q;
}

// Each format shows what the PNG of the same picture shows: BMP, PCX and
// TGA files stored bottom-up or top-down, with palettes or run-length data;
// PPM with a comment after its maximum value; PNG at 16 bits with a gAMA
// chunk as at 8 bits; JPEG within its loss.
TEST(ViewerImage, EachFormatShowsWhatThePngOfThePictureShows)
{
    const Picture pano = TestPanorama(1024, 512), paletted = WithPalette(pano);
    const Bytes png = EncodePng(pano, "RGB"), palettedPng = EncodePng(paletted, "RGB");
    const Bytes gammaPng = EncodePngDepth(pano, "RGB", 8, false, 0.5);
    struct Row
    {
        std::string name;
        Bytes bytes;
        const Bytes& reference;
        int tolerance = 1;
    };
    const Row rows[] = {
        {"panorama-24.bmp", EncodeBmp(pano, "BGR"), png},
        {"panorama-bmp.jpg", EncodeBmp(pano, "BGR"), png}, // the name does not matter
        {"panorama-32.bmp", EncodeBmp(pano, "BGR0", false, true), png},
        {"panorama-8.bmp", EncodeBmp(paletted, "I"), palettedPng},
        {"panorama-rle.bmp", EncodeBmp(paletted, "I", true), palettedPng},
        {"panorama.pcx", EncodePcx(paletted), palettedPng},
        {"panorama-comment.ppm", EncodePnm(pano, "RGB", "# after the maximum\n"), png},
        {"panorama.psd", EncodePsd(pano, "RGB"), png},
        {"panorama.rgb", EncodeSgi(pano, "RGB"), png},
        {"panorama-bottom-left.tga", EncodeTga(pano, "BGR"), png},
        {"panorama-top-left-rle.tga", EncodeTga(pano, "BGR", true, true), png},
        {"panorama-mapped.tga", EncodeTga(paletted, "I"), palettedPng},
        {"panorama-16-gamma.png", EncodePngDepth(pano, "RGB", 16, true, 0.5), gammaPng},
        {"panorama.jpg", EncodeJpeg(pano, "RGB"), png, 12},
        {"panorama-progressive.jpg", EncodeJpeg(pano, "RGB", 1), png, 12},
    };
    // The PNGs first, and the plain one is the panorama seen from heading 0.
    std::map<const Bytes*, Image> shownBy;
    for (const Bytes* reference : {&png, &palettedPng, &gammaPng}) {
        Image frame;
        const std::string err = RunViewer("panorama.png", *reference, FirstFrame(frame));
        EXPECT_EQ(err.find("cannot load"), std::string::npos) << err;
        shownBy[reference] = frame;
    }
    EXPECT_EQ(compareWithView(shownBy[&png], View{320, 240, 0.0}, 2.0), "");
    for (const Row& row : rows) {
        Image frame;
        const std::string err = RunViewer(row.name, row.bytes, FirstFrame(frame));
        EXPECT_EQ(err.find("cannot load"), std::string::npos) << err;
        EXPECT_EQ(Differences(frame, shownBy[&row.reference], row.tolerance), 0) << row.name;
    }
}

// A PNG whose image data inflates to 40 GiB of zeros after its picture, and
// a BMP of 1000 MB whose run-length codes run on past a row's end: the
// viewer that inflated or walked all of it missed the harness's wait for
// the first frame. Both show what the same pictures without them show.
TEST(ViewerImage, FilesBuiltToCostShowTheirPictureInTime)
{
    constexpr std::uint64_t GiB = std::uint64_t(1) << 30;
    const Bytes png = worstfiles::PngWithDataAfterPicture(512, 256, 8, false, 0);
    const Bytes longPng = worstfiles::PngWithDataAfterPicture(512, 256, 8, false, 40 * GiB);
    const Bytes bmp = worstfiles::BmpWithLongRuns(512, 256, 0);
    const auto writeLongBmp = [](std::ostream& out) {
        worstfiles::WriteBmpWithLongRuns(out, 512, 256, 500'000'000);
    };
    for (const auto& [name, plain, write] :
         {std::tuple<std::string, const Bytes*, std::function<void(std::ostream&)>>{
              "after-the-picture.png", &png,
              [&](std::ostream& out) {
                  out.write(reinterpret_cast<const char*>(longPng.data()),
                            std::streamsize(longPng.size()));
              }},
          {"long-runs.bmp", &bmp, writeLongBmp}}) {
        Image expected;
        RunViewer(name, *plain, FirstFrame(expected));
        const std::string err = RunViewer(
            name, write, [&](const Image& shown) { return Differences(shown, expected, 1) == 0; });
        EXPECT_EQ(err.find("cannot load"), std::string::npos) << err;
    }
}

// The direction-coded test panorama as a JPEG, written row by row. Rows
// differ only in their blue, the latitude: one row painted, then its blue
// set for each.
void WriteTestPanoramaJpeg(const std::string& path, int width, int height)
{
    std::vector<unsigned char> painted(std::size_t(width) * 3);
    testPanoramaRow(width, height, 0, painted.data());
    const Bytes file = CompressJpeg(
        unsigned(width), unsigned(height), 3, JCS_RGB,
        [](jpeg_compress_struct& cinfo) { jpeg_set_quality(&cinfo, 90, TRUE); },
        [&](unsigned y, unsigned char* row) {
            unsigned char pixel[3];
            testPanoramaRow(1, height, int(y), pixel);
            for (std::size_t x = 0; x < std::size_t(width); ++x)
                painted[x * 3 + 2] = pixel[2];
            std::copy(painted.begin(), painted.end(), row);
        });
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

// A panorama larger than the largest texture (24000 x 12000; OpenGL here
// takes 16384) shows, reduced, what the directions say: at heading 0 and
// after a turn to the right, within the loss of a JPEG file.
TEST(ViewerImage, PictureLargerThanATextureShowsItsDirections)
{
    ViewerRun run;
    ASSERT_TRUE(run.x.isOpen()) << "no X display; run this test through with-xvfb.sh";
    run.writeSettings({5, 640, 480, 32, 0, 0, 0});
    WriteTestPanoramaJpeg(run.folder.file("large.jpg"), 24000, 12000);
    run.start({"large.jpg"});
    const x11testing::Window window = run.waitForWindow();
    ASSERT_NE(window, 0u) << run.errorOutput();
    for (const double heading : {0.0, 45.0}) {
        if (heading > 0) // 45 % of the width from the centre turns 45 degrees
            run.x.movePointer(window, 320 + 640 * 45 / 100, 240);
        std::string difference;
        x11testing::waitUntil([&] {
            difference = compareWithView(run.x.grab(window), {640, 480, heading}, 3.0);
            return difference.empty();
        });
        EXPECT_EQ(difference, "") << heading;
    }
    EXPECT_EQ(run.close(window), 0);
    EXPECT_EQ(run.errorOutput().find("cannot load"), std::string::npos) << run.errorOutput();
}

} // namespace
