// Partial panoramas in the real viewer under Xvfb: a crop of the
// direction-coded test panorama with its GPano metadata shows its directions
// where they belong and black elsewhere, on OpenGL (texture matrix) and
// BurningsVideo (padded); without the metadata it shows as any picture does;
// hostile metadata changes nothing but one line. The same panorama projected
// on a cylinder by ffmpeg's v360 filter, whole and cropped, shows its
// directions too; and a chosen opening view opens the camera there.
#include "imagedecode.h"
#include "test_panorama.h"
#include "testimages.h"
#include "viewer_run.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

using namespace testimages;
constexpr std::uint8_t BurningsVideo = 2, OpenGL = 5;
constexpr int Width = 640, Height = 480;

// The test panorama of 2048 x 1024 pixels (5.69 a degree), cut to 135 x 67.5
// degrees: longitudes -135 to 0, latitudes 56.25 to -11.25.
constexpr unsigned Full = 2048, CropWidth = 768, CropHeight = 384, Left = 256, Top = 192;

Bytes CropPng()
{
    Picture crop{CropWidth, CropHeight};
    for (unsigned y = 0; y < CropHeight; ++y)
        for (unsigned x = 0; x < CropWidth; ++x)
            crop.argb.push_back(0xFF000000 |
                                testPanoramaPixel(int(Left + x), int(Top + y), Full, Full / 2));
    return EncodePng(crop, "RGB");
}

std::string Packet(const Properties& properties)
{
    return PngXmpChunk(GPanoPacket(properties));
}

class PartialPanorama : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run.x.isOpen()) << "no X display; run this test through with-xvfb.sh";
    }

    // Runs the viewer on `file` and compares its view at heading 0 and after
    // each of `turns` turns of 45 degrees to the right (none without
    // `shown`); returns its standard error.
    std::string show(const Bytes& file, std::uint8_t renderer, const Shown* shown, int turns = 0,
                     double opening = 0.0)
    {
        run.folder.write("partial.png", std::string(file.begin(), file.end()));
        run.writeSettings({renderer, Width, Height, 32, 0, 0, 0});
        run.start({"partial.png"});
        const x11testing::Window window = run.waitForWindow();
        EXPECT_NE(window, 0u) << run.errorOutput();
        if (window == 0)
            return run.errorOutput();
        for (int turn = 0; shown && turn <= turns; ++turn) {
            if (turn == 0)
                EXPECT_FALSE(run.waitForFrame(window).empty());
            else // a tenth of the width from the centre turns 10 degrees
                run.x.movePointer(window, Width / 2 + Width * 45 / 100, Height / 2);
            std::string difference;
            x11testing::waitUntil([&] {
                difference = compareWithView(run.x.grab(window),
                                             {Width, Height, opening + 45.0 * turn}, 2.5, *shown);
                return difference.empty();
            });
            EXPECT_EQ(difference, "") << "heading " << opening + 45 * turn;
        }
        EXPECT_EQ(run.close(window), 0);
        return run.errorOutput();
    }

    ViewerRun run;
};

// Straight ahead the crop's centre (longitude -67.5); latitudes as they are.
const Shown placed{-67.5, 67.5, -11.25, 56.25, 1.0, -67.5, 1.0, 0.0};

TEST_F(PartialPanorama, ShowsItsDirectionsWhereTheyBelongOnEveryRenderer)
{
    const Bytes file = WithPngChunk(
        CropPng(), "iTXt", Packet(GPanoCrop(Full, Full / 2, CropWidth, CropHeight, Left, Top)));
    for (const std::uint8_t renderer : {OpenGL, BurningsVideo}) {
        SCOPED_TRACE(renderer == OpenGL ? "OpenGL" : "BurningsVideo");
        EXPECT_EQ(show(file, renderer, &placed, 4), "");
    }
}

// Without its metadata the crop covers the whole sphere: heading -180 to 180
// shows its longitudes -135 to 0, latitude 90 to -90 its 56.25 to -11.25.
TEST_F(PartialPanorama, WithoutMetadataShowsAsAnyPicture)
{
    const Shown stretched{-180, 180, -90, 90, 0.375, -67.5, 0.375, 22.5};
    EXPECT_EQ(show(CropPng(), OpenGL, &stretched, 2), "");
}

// Metadata that cannot be used: one line, and the picture as without it.
// Metadata that can, however extreme, places it. Nothing crashes or hangs.
TEST_F(PartialPanorama, HostileMetadataChangesNothingButOneLine)
{
    const Shown stretched{-180, 180, -90, 90, 0.375, -67.5, 0.375, 22.5};
    const std::string line = "skyglass: ignoring the panorama metadata of \"partial.png\": ";
    const struct
    {
        std::string chunk;
        std::string message;
    } cases[] = {
        {Packet(GPanoCrop(Full, Full / 2, CropWidth, CropHeight, Left, 4294967295u)),
         "GPano:CroppedAreaTopPixels is \"4294967295\", not a whole number from 0 to 1000000"},
        {Packet(GPanoCrop(Full, Full / 2, CropWidth, CropHeight / 2, Left, Top)),
         "the picture is 768 x 384 pixels, not of the cropped area's shape (768 x 192)"},
        {PngXmpChunk(std::string(imagedecode::MaxXmpBytes * 4, '<'), true),
         "the XMP metadata is larger than 1 MiB"},
        {PngXmpChunk(GPanoPacket({}, false, "dc")), ""}, // nothing of GPano: silent
        {PngXmpChunk("<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
                     "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                     "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
                     "<a>&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;</a>"),
         "the XMP metadata cannot be read ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string errors =
            show(WithPngChunk(CropPng(), "iTXt", c.chunk), OpenGL, &stretched);
        if (c.message.empty()) {
            EXPECT_EQ(errors, "");
        } else {
            EXPECT_EQ(errors.find(line + c.message), 0u) << errors;
            EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
        }
    }
    // A speck of the largest panorama read: placed by OpenGL, reduced with the
    // full panorama to BurningsVideo's largest texture and padded.
    const Bytes speck = WithPngChunk(EncodePng(MakeTrueColor(2, 1, false), "RGB"), "iTXt",
                                     Packet(GPanoCrop(1000000, 1000000, 2, 1, 0, 500000)));
    EXPECT_EQ(show(speck, OpenGL, nullptr), "");
    EXPECT_EQ(show(speck, BurningsVideo, nullptr), "");
}

// The test panorama projected by ffmpeg's v360 filter on a cylinder all
// the way round and 45 degrees above and below the horizon: 2048 pixels
// round (a radius of 325.95) and 652 high, rows linear in the tangent of
// their elevation. Empty when ffmpeg cannot make it.
Picture CylinderPicture(const ScratchFolder& folder)
{
    folder.write("equirectangular.bmp", testPanorama(Full, Full / 2));
    const std::string command = "ffmpeg -loglevel error -y -i '" +
                                folder.file("equirectangular.bmp") +
                                "' -vf v360=input=e:output=cylindrical:h_fov=360:v_fov=90:w=2048:"
                                "h=652:interp=linear -frames:v 1 '" +
                                folder.file("cylinder.png") + "'";
    std::string reason = "ffmpeg failed";
    const Picture p = std::system(command.c_str()) == 0
                          ? ReadRgbPicture(folder.file("cylinder.png").c_str(), reason)
                          : Picture();
    if (p.argb.empty())
        ADD_FAILURE() << "ffmpeg did not make the cylinder: " << reason;
    return p;
}

Picture Cropped(const Picture& p, unsigned left, unsigned top, unsigned width, unsigned height)
{
    Picture crop{width, height};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            crop.argb.push_back(p.argb[(top + y) * p.width + left + x]);
    return crop;
}

Properties Cylindrical(unsigned width, unsigned height, unsigned left, unsigned top,
                       const Properties& more = {})
{
    Properties properties = GPanoCrop(2048, 652, width, height, left, top, "cylindrical");
    properties.insert(properties.end(), more.begin(), more.end());
    return properties;
}

// Whole, it shows every heading and 45 degrees up and down, black beyond;
// cropped to longitudes -90 to 90 and rows 100 to 500 (34.7 degrees above
// the horizon to 28.1 below), those, on every renderer.
TEST_F(PartialPanorama, CylindricalPanoramaShowsItsDirectionsWhereTheyBelong)
{
    const Picture cylinder = CylinderPicture(run.folder);
    ASSERT_FALSE(cylinder.argb.empty());
    ASSERT_EQ(cylinder.width, 2048u);
    ASSERT_EQ(cylinder.height, 652u);
    const Shown whole{-180, 180, -45, 45};
    EXPECT_EQ(
        show(WithPngChunk(EncodePng(cylinder, "RGB"), "iTXt", Packet(Cylindrical(2048, 652, 0, 0))),
             OpenGL, &whole, 4),
        "");
    const Shown crop{-90, 90, -28.1, 34.7};
    const Bytes cropped = WithPngChunk(EncodePng(Cropped(cylinder, 512, 100, 1024, 400), "RGB"),
                                       "iTXt", Packet(Cylindrical(1024, 400, 512, 100)));
    for (const std::uint8_t renderer : {OpenGL, BurningsVideo}) {
        SCOPED_TRACE(renderer == OpenGL ? "OpenGL" : "BurningsVideo");
        EXPECT_EQ(show(cropped, renderer, &crop, 2), "");
    }
}

// The opening view: the initial view's compass heading, 120, less the pose
// heading, 30, turns the camera 90 degrees right of the full panorama's
// centre; the mouse turns on from there. The crop of the equirectangular
// panorama opens with its own centre (longitude -67.5) straight ahead
// without a chosen view; a heading of 0 with the pose heading 30 turns it to
// longitude -30, 37.5 degrees right of that.
TEST_F(PartialPanorama, OpensAtTheChosenView)
{
    const Picture cylinder = CylinderPicture(run.folder);
    ASSERT_FALSE(cylinder.argb.empty());
    const Shown whole{-180, 180, -45, 45};
    EXPECT_EQ(show(WithPngChunk(EncodePng(cylinder, "RGB"), "iTXt",
                                Packet(Cylindrical(2048, 652, 0, 0,
                                                   {{"InitialViewHeadingDegrees", "120"},
                                                    {"PoseHeadingDegrees", "30"}}))),
                   OpenGL, &whole, 1, 90.0),
              "");
    Properties crop = GPanoCrop(Full, Full / 2, CropWidth, CropHeight, Left, Top);
    crop.push_back({"InitialViewHeadingDegrees", "0"});
    crop.push_back({"PoseHeadingDegrees", "30"});
    EXPECT_EQ(show(WithPngChunk(CropPng(), "iTXt", Packet(crop)), OpenGL, &placed, 0, 37.5), "");
    const std::string errors =
        show(WithPngChunk(CropPng(), "iTXt", Packet([] {
                              Properties p =
                                  GPanoCrop(Full, Full / 2, CropWidth, CropHeight, Left, Top);
                              p.push_back({"InitialViewHeadingDegrees", "east"});
                              return p;
                          }())),
             OpenGL, &placed);
    EXPECT_EQ(errors, "skyglass: ignoring the panorama metadata of \"partial.png\": "
                      "GPano:InitialViewHeadingDegrees is \"east\", not a number of degrees\n");
}

} // namespace
