// Partial panoramas' metadata: the XMP packet the decoders collect from the
// files the tests write, and what its GPano properties say of the picture.
#include "cropped_area.h"
#include "image_file.h"
#include "picture_buffer.h"
#include "scratch_folder.h"
#include "testimages.h"

#include <gtest/gtest.h>

using namespace testimages;
using imagedecode::XmpPacket;

namespace {

const std::string packet = GPanoPacket(GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500));

// The packet as opening the file (a PNG is streamed, a JPEG mapped) finds
// it, before the first row; the picture then decodes as any other.
XmpPacket Collect(const Bytes& file)
{
    ScratchFolder folder;
    folder.write("picture", std::string(file.begin(), file.end()));
    imagedecode::ImageFile input;
    std::string reason;
    if (!input.open(folder.file("picture").c_str(), reason)) {
        ADD_FAILURE() << reason;
        return {};
    }
    const XmpPacket xmp = input.description().xmp;
    imagedecode::PictureBuffer picture;
    EXPECT_TRUE(input.decode(picture, reason)) << reason;
    return xmp;
}

struct CollectCase
{
    const char* name;
    Bytes file;
    std::string text;         // the packet expected
    std::string problem = ""; // or why it was not taken
    bool found = true;
};

class Collecting : public testing::TestWithParam<CollectCase>
{};

TEST_P(Collecting, TakesThePacketBeforeThePictureData)
{
    const CollectCase& c = GetParam();
    const XmpPacket xmp = Collect(c.file);
    EXPECT_EQ(xmp.found, c.found);
    EXPECT_EQ(xmp.text.size(), c.text.size());
    EXPECT_TRUE(xmp.text == c.text);
    EXPECT_EQ(xmp.problem, c.problem);
}

const Picture picture = MakeTrueColor(16, 8, false);
const Bytes jpeg = EncodeJpeg(picture, "RGB"), png = EncodePng(picture, "RGB");
const std::string large(imagedecode::MaxXmpBytes, ' ');
const std::string tooLarge = large + ' ';
const std::string tooLargeText = "the XMP metadata is larger than 1 MiB";
const std::string damaged = "the PNG chunk that holds the XMP metadata is damaged";

Bytes Damaged(Bytes file, std::size_t at)
{
    file[at] ^= 0x20;
    return file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Collecting,
    testing::Values(
        CollectCase{"Jpeg", WithJpegApp1(jpeg, JpegXmpSegment(packet)), packet},
        CollectCase{
            "JpegFirstPacketOnly",
            WithJpegApp1(WithJpegApp1(jpeg, JpegXmpSegment("second")), JpegXmpSegment(packet)),
            packet},
        CollectCase{"JpegAfterTheFirstScan", WithJpegApp1(jpeg, JpegXmpSegment(packet), true), "",
                    "", false},
        CollectCase{"JpegExtendedXmp",
                    WithJpegApp1(jpeg, std::string("http://ns.adobe.com/xmp/extension/", 35) +
                                           std::string(40, '0') + packet),
                    "", "", false},
        CollectCase{"Png", WithPngChunk(png, "iTXt", PngXmpChunk(packet)), packet},
        CollectCase{"PngCompressed", WithPngChunk(png, "iTXt", PngXmpChunk(packet, true)), packet},
        CollectCase{"PngLargest", WithPngChunk(png, "iTXt", PngXmpChunk(large)), large},
        CollectCase{"PngAfterTheImageData", WithPngChunk(png, "iTXt", PngXmpChunk(packet), true),
                    "", "", false},
        CollectCase{"PngOtherKeyword",
                    WithPngChunk(png, "iTXt", std::string("Comment\0\0\0\0\0", 12) + packet), "",
                    "", false},
        CollectCase{"PngTooLarge", WithPngChunk(png, "iTXt", PngXmpChunk(tooLarge)), "",
                    tooLargeText},
        CollectCase{"PngCompressedTooLarge",
                    WithPngChunk(png, "iTXt", PngXmpChunk(tooLarge + tooLarge, true)), "",
                    tooLargeText},
        CollectCase{"PngChunkDamaged",
                    Damaged(WithPngChunk(png, "iTXt", PngXmpChunk(packet)), 33 + 8 + 40), "",
                    damaged},
        CollectCase{"PngNoTextField", WithPngChunk(png, "iTXt", PngXmpChunk("").substr(0, 19)), "",
                    damaged},
        CollectCase{"PngCompressedDamaged",
                    WithPngChunk(png, "iTXt", PngXmpChunk(packet, true).substr(0, 60)), "",
                    "the compressed XMP metadata is damaged"}),
    [](const auto& test) { return std::string(test.param.name); });

// What the metadata says of a picture of width x height.
struct JudgeCase
{
    const char* name;
    std::string packet;
    gpano::Coverage coverage;
    std::string problem = ""; // a part of it
    unsigned width = 400, height = 100;
};

class Judging : public testing::TestWithParam<JudgeCase>
{};

TEST_P(Judging, PlacesOnlyValidPartialPanoramas)
{
    const JudgeCase& c = GetParam();
    const gpano::Verdict verdict = gpano::JudgePacket(c.packet, c.width, c.height);
    EXPECT_EQ(verdict.coverage, c.coverage) << verdict.problem;
    if (c.problem.empty())
        EXPECT_EQ(verdict.problem, "");
    else
        EXPECT_NE(verdict.problem.find(c.problem), std::string::npos) << verdict.problem;
    if (c.coverage == gpano::Coverage::Partial) {
        const gpano::CroppedArea& a = verdict.area;
        EXPECT_EQ(
            std::vector<unsigned>({a.fullWidth, a.fullHeight, a.width, a.height, a.left, a.top}),
            std::vector<unsigned>({8000, 4000, 4000, 1000, 1000, 1500}));
    }
}

// The crop of `packet` with one property's value replaced, or left out
// (value "-").
std::string With(const std::string& name, const std::string& value)
{
    Properties properties;
    for (const auto& property : GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500))
        if (property.first != name)
            properties.push_back(property);
        else if (value != "-")
            properties.push_back({name, value});
    return GPanoPacket(properties);
}

using gpano::Coverage;
INSTANTIATE_TEST_SUITE_P(
    Packets, Judging,
    testing::Values(
        JudgeCase{"Attributes", packet, Coverage::Partial},
        JudgeCase{"Elements", GPanoPacket(GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500), true),
                  Coverage::Partial},
        JudgeCase{"AnotherPrefix",
                  GPanoPacket(GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500), false, "pano"),
                  Coverage::Partial},
        JudgeCase{"ZerosAfterThePacket", packet + std::string(3, '\0'), Coverage::Partial},
        JudgeCase{"BlanksAroundNumbers", With("CroppedAreaLeftPixels", " 1000 "),
                  Coverage::Partial},
        JudgeCase{"ShapeWithinOnePercent", packet, Coverage::Partial, "", 403, 100},
        JudgeCase{"AnotherNamespaceUnderThePrefix",
                  [] {
                      std::string p = packet;
                      return p.replace(p.find("ns.google.com"), 13, "example.org.xx");
                  }(),
                  Coverage::Whole},
        JudgeCase{"NoGPano", GPanoPacket({}), Coverage::Whole},
        JudgeCase{"ProjectionOnly", GPanoPacket({{"ProjectionType", "equirectangular"}}),
                  Coverage::Whole},
        JudgeCase{"WholePanorama", GPanoPacket(GPanoCrop(4000, 1000, 4000, 1000, 0, 0)),
                  Coverage::Whole},
        JudgeCase{"OtherProjection", With("ProjectionType", "fisheye"), Coverage::Ignored,
                  "GPano:ProjectionType is \"fisheye\"; only \"equirectangular\" and "
                  "\"cylindrical\" are placed"},
        JudgeCase{"NoProjection", With("ProjectionType", "-"), Coverage::Ignored,
                  "GPano:ProjectionType is missing"},
        JudgeCase{"Missing", With("CroppedAreaTopPixels", "-"), Coverage::Ignored,
                  "GPano:CroppedAreaTopPixels is missing"},
        JudgeCase{"Zero", With("CroppedAreaImageWidthPixels", "0"), Coverage::Ignored,
                  "GPano:CroppedAreaImageWidthPixels is \"0\", not a whole number from 1"},
        JudgeCase{"Negative", With("CroppedAreaLeftPixels", "-5"), Coverage::Ignored,
                  "GPano:CroppedAreaLeftPixels is \"-5\", not a whole number from 0"},
        JudgeCase{"Huge", With("FullPanoWidthPixels", "1000001"), Coverage::Ignored,
                  "GPano:FullPanoWidthPixels is \"1000001\""},
        JudgeCase{"Overflowing", With("FullPanoWidthPixels", "18446744073709551617"),
                  Coverage::Ignored, "GPano:FullPanoWidthPixels is \"18446744073709551617\""},
        JudgeCase{"NotANumber", With("CroppedAreaTopPixels", "1e3"), Coverage::Ignored,
                  "GPano:CroppedAreaTopPixels is \"1e3\""},
        JudgeCase{"OutsideWidth", With("CroppedAreaLeftPixels", "4001"), Coverage::Ignored,
                  "the cropped area (left 4001, width 4000) reaches past the full panorama's "
                  "width 8000"},
        JudgeCase{"OutsideHeight", With("CroppedAreaTopPixels", "3001"), Coverage::Ignored,
                  "(top 3001, height 1000) reaches past the full panorama's height 4000"},
        JudgeCase{"OtherShape", packet, Coverage::Ignored,
                  "the picture is 405 x 100 pixels, not of the cropped area's shape "
                  "(4000 x 1000)",
                  405, 100},
        JudgeCase{"Truncated", packet.substr(0, packet.size() / 2), Coverage::Ignored,
                  "the XMP metadata cannot be read ("},
        JudgeCase{"EntityExpansion",
                  "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\">"
                  "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><x>&b;</x>",
                  Coverage::Ignored, "the XMP metadata cannot be read"},
        JudgeCase{"NotXml", "\x01\x02 not XML at all", Coverage::Ignored,
                  "the XMP metadata cannot be read"},
        // The XMP library's time grows with the square of a node's properties.
        JudgeCase{"TooManyProperties",
                  [] {
                      Properties many = GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500);
                      for (int i = 0; i < 5000; ++i)
                          many.push_back({"P" + std::to_string(i), "1"});
                      return GPanoPacket(many);
                  }(),
                  Coverage::Ignored,
                  "the XMP metadata cannot be read (more than 5000 properties)"}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
