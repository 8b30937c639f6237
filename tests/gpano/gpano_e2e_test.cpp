// Partial panoramas in the real viewer under Xvfb: a crop of the
// direction-coded test panorama with its GPano metadata shows its directions
// where they belong and black elsewhere, on OpenGL (texture matrix) and
// BurningsVideo (padded); without the metadata it shows as any picture does;
// hostile metadata changes nothing but one line.
#include "imagedecode.h"
#include "test_panorama.h"
#include "testimages.h"
#include "viewer_run.h"

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
    std::string show(const Bytes& file, std::uint8_t renderer, const Shown* shown, int turns = 0)
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
                difference =
                    compareWithView(run.x.grab(window), {Width, Height, 45.0 * turn}, 2.5, *shown);
                return difference.empty();
            });
            EXPECT_EQ(difference, "") << "heading " << 45 * turn;
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

} // namespace
