// Colour profiles: pictures made in Adobe RGB, ProPhoto RGB and ACES, grey and
// CMYK, in every format that carries a profile, come out in sRGB as worked
// out here from their spaces' primaries and curves (or by a transform of
// the test's own, for CMYK), within one step; an sRGB profile changes
// nothing; a profile that cannot be used leaves the picture unconverted
// with one line saying why.
#include "bytes_file.h"
#include "imageload.h"
#include "profiles.h"
#include "scratch_folder.h"
#include "shown.h"

#include <gtest/gtest.h>
#include <irrlicht.h>
#include <jpeglib.h>
#include <lcms2.h>

#include <cmath>

using namespace irr;
using namespace testimages;
using profiles::RgbSpace;

namespace {

// Primaries, secondaries, white, black and greys, then colours spread over
// the cube: 16 x 8 patches of one pixel.
Picture Patches()
{
    Picture p{16, 8};
    const std::uint32_t first[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                                   0xFFFFFF, 0x000000, 0x808080, 0x404040, 0xC0C0C0, 0x0A0A0A};
    for (std::uint32_t c : first)
        p.argb.push_back(0xFF000000u | c);
    for (std::uint32_t i = 0; p.argb.size() < 16 * 8; ++i)
        p.argb.push_back(0xFF000000u | (i * 37 % 256) << 16 | (i * 91 % 256) << 8 | (i * 53 % 256));
    return p;
}

// Each channel of each pixel within `steps` of what is expected.
void ExpectWithin(const std::vector<std::uint32_t>& shown,
                  const std::vector<std::array<double, 4>>& expected, double steps = 1)
{
    ASSERT_EQ(shown.size(), expected.size());
    int faults = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (int c = 0; c < 4; ++c) {
            const unsigned value = c == 3 ? shown[i] >> 24 : shown[i] >> (16 - 8 * c) & 0xFF;
            if (std::fabs(value - expected[i][c]) > steps && ++faults <= 5)
                ADD_FAILURE() << "pixel " << i << " channel " << c << ": shown " << value
                              << ", expected " << expected[i][c];
        }
}

// What the space's samples (0 to 255 a channel) are in sRGB, opaque.
std::vector<std::array<double, 4>> InSrgb(const RgbSpace& space,
                                          const std::vector<std::uint32_t>& argb)
{
    std::vector<std::array<double, 4>> out;
    for (std::uint32_t c : argb) {
        const double rgb[3] = {(c >> 16 & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0,
                               (c & 0xFF) / 255.0};
        double srgb[3];
        profiles::ToSrgb(space, rgb, srgb);
        out.push_back({srgb[0], srgb[1], srgb[2], 255});
    }
    return out;
}

class RgbSpaces : public testing::TestWithParam<const RgbSpace*>
{};

// Every format that carries a profile: PNG at 8 and 16 bits, interlaced
// too; JPEG with its profile in pieces written out of order; PSD; BMP.
TEST_P(RgbSpaces, PicturesComeOutInSrgbInEveryFormat)
{
    const RgbSpace& space = *GetParam();
    const Bytes profile = profiles::RgbProfile(space);
    const Picture p = Patches();
    const Bytes jpeg = EncodeJpeg(p, "RGB");
    const std::pair<const char*, Bytes> files[] = {
        {"PNG", profiles::WithPngProfile(EncodePngDepth(p, "RGB", 8, false), profile)},
        {"16-bit PNG", profiles::WithPngProfile(EncodePngDepth(p, "RGB", 16, false), profile)},
        {"interlaced PNG", profiles::WithPngProfile(EncodePngDepth(p, "RGB", 8, true), profile)},
        {"JPEG", profiles::WithJpegProfile(jpeg, profile, 3, true)},
        {"PSD", profiles::WithPsdProfile(EncodePsd(p, "RGB"), profile)},
        {"BMP", testimages::EncodeBmpWithProfile(p, profile)},
    };
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        const Shown shown = Show(file);
        ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
        EXPECT_NE(shown.plan.colour, nullptr);
        EXPECT_EQ(shown.plan.colourProblem, "");
        // A JPEG's samples are what libjpeg decodes, not the patches.
        const std::vector<std::uint32_t>& samples =
            std::string(name) == "JPEG" ? ReadJpegWithLibjpeg(jpeg).argb : p.argb;
        ExpectWithin(shown.picture.argb, InSrgb(space, samples));
    }
}

INSTANTIATE_TEST_SUITE_P(Spaces, RgbSpaces,
                         testing::Values(&profiles::AdobeRgb, &profiles::ProPhoto,
                                         &profiles::AcesLinear),
                         [](const testing::TestParamInfo<const RgbSpace*>& test) {
                             return test.param == &profiles::AdobeRgb   ? "AdobeRgb"
                                    : test.param == &profiles::ProPhoto ? "ProPhoto"
                                                                        : "AcesLinear";
                         });

using profiles::ColordProfile;

// Real profiles, from Debian's colord-data: its sRGB profile is told for
// sRGB's own, and its Adobe RGB (1998) converts as the space's primaries
// and curves say.
TEST(ColourProfiles, RealProfilesConvertAsTheirSpacesSay)
{
    const Bytes srgb = ColordProfile("sRGB.icc"), adobe = ColordProfile("AdobeRGB1998.icc");
    ASSERT_FALSE(srgb.empty() || adobe.empty()) << "colord-data is not installed";
    const Picture p = Patches();
    const Bytes png = EncodePngDepth(p, "RGB", 8, false);
    const Shown asSrgb = Show(profiles::WithPngProfile(png, srgb));
    EXPECT_EQ(asSrgb.plan.colour, nullptr);
    EXPECT_EQ(asSrgb.picture.argb, p.argb);
    const Shown asAdobe = Show(profiles::WithPngProfile(png, adobe));
    ASSERT_FALSE(asAdobe.picture.argb.empty()) << asAdobe.reason;
    ExpectWithin(asAdobe.picture.argb, InSrgb(profiles::AdobeRgb, p.argb));
}

// Alpha goes through the conversion unchanged, at 8 and 16 bits.
TEST(ColourProfiles, AlphaIsKept)
{
    Picture p = Patches();
    for (std::size_t i = 0; i < p.argb.size(); ++i)
        p.argb[i] = (p.argb[i] & 0xFFFFFF) | std::uint32_t(i * 2 % 256) << 24;
    const Bytes profile = profiles::RgbProfile(profiles::AdobeRgb);
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const Shown shown =
            Show(profiles::WithPngProfile(EncodePngDepth(p, "RGBA", depth, false), profile));
        ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
        std::vector<std::array<double, 4>> expected = InSrgb(profiles::AdobeRgb, p.argb);
        for (std::size_t i = 0; i < p.argb.size(); ++i)
            expected[i][3] = p.argb[i] >> 24;
        ExpectWithin(shown.picture.argb, expected);
    }
}

// A 16-bit grey PNG, linear: converted at 16 bits, its darkest samples
// stay apart, which 8 bits would have merged.
TEST(ColourProfiles, SixteenBitSamplesAreConvertedBeforeTheyAreMadeEightBits)
{
    const std::uint16_t samples[] = {0, 100, 300, 500, 1000, 2000, 5000, 20000, 40000, 65535};
    Bytes png;
    png_structp writer = PngWriterInto(png);
    png_infop info = png_create_info_struct(writer);
    png_set_IHDR(writer, info, 10, 1, 16, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    Bytes row;
    for (std::uint16_t v : samples)
        row.insert(row.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
    png_write_info(writer, info);
    png_write_row(writer, row.data());
    png_write_end(writer, nullptr);
    png_destroy_write_struct(&writer, &info);

    const Shown shown = Show(profiles::WithPngProfile(png, profiles::GreyProfile(1.0)));
    ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
    std::vector<std::array<double, 4>> expected;
    for (std::uint16_t v : samples) {
        const double grey = 255 * profiles::LinearToSrgb(v / 65535.0);
        expected.push_back({grey, grey, grey, 255});
    }
    ExpectWithin(shown.picture.argb, expected);
}

// Grey pictures through a grey profile: PNG, JPEG and a grey PSD.
TEST(ColourProfiles, GreyPicturesGoThroughAGreyProfile)
{
    const Picture grey = MakeTrueColor(16, 8, false, true);
    const Bytes profile = profiles::GreyProfile(1.0);
    const Bytes jpeg = EncodeJpeg(grey, "R");
    const std::pair<const char*, Bytes> files[] = {
        {"PNG", profiles::WithPngProfile(EncodePngDepth(grey, "R", 8, false), profile)},
        {"JPEG", profiles::WithJpegProfile(jpeg, profile)},
        {"PSD", profiles::WithPsdProfile(EncodePsd(grey, "R"), profile)},
    };
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        const Shown shown = Show(file);
        ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
        const std::vector<std::uint32_t>& samples =
            std::string(name) == "JPEG" ? ReadJpegWithLibjpeg(jpeg).argb : grey.argb;
        std::vector<std::array<double, 4>> expected;
        for (std::uint32_t c : samples) {
            const double v = 255 * profiles::LinearToSrgb((c & 0xFF) / 255.0);
            expected.push_back({v, v, v, 255});
        }
        ExpectWithin(shown.picture.argb, expected);
    }
}

// The CMYK samples libjpeg decodes from a file, as Adobe stores them.
Bytes ReadCmyk(const Bytes& file)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_CMYK;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&cinfo);
    Bytes cmyk(std::size_t(cinfo.output_width) * cinfo.output_height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = cmyk.data() + std::size_t(cinfo.output_scanline) * cinfo.output_width * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return cmyk;
}

// A CMYK JPEG goes through its profile: as the test's own lcms transform
// of the decoded samples gives it, evaluating the profile's table exactly
// (lcms's fast path resamples the table into one of its own, measured up to
// 5 steps off in the darks); without the profile, as before.
TEST(ColourProfiles, CmykJpegGoesThroughItsProfile)
{
    const Bytes jpeg = CompressJpeg(
        16, 8, 4, JCS_CMYK, [](jpeg_compress_struct&) {},
        [](unsigned y, unsigned char* row) {
            for (unsigned x = 0; x < 16 * 4; ++x)
                row[x] = static_cast<unsigned char>(x * 13 + y * 71);
        });
    const Bytes profile = profiles::CmykProfile();
    const Bytes cmyk = ReadCmyk(jpeg);

    cmsHPROFILE input = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(input, TYPE_CMYK_8_REV, srgb, TYPE_RGB_8,
                                                 INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
    ASSERT_NE(transform, nullptr);
    Bytes rgb(cmyk.size() / 4 * 3);
    cmsDoTransform(transform, cmyk.data(), rgb.data(), cmsUInt32Number(cmyk.size() / 4));
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(input);

    const Shown shown = Show(profiles::WithJpegProfile(jpeg, profile, 2));
    ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
    std::vector<std::array<double, 4>> expected;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        expected.push_back({double(rgb[i]), double(rgb[i + 1]), double(rgb[i + 2]), 255});
    ExpectWithin(shown.picture.argb, expected, 6);

    const Shown plain = Show(jpeg);
    std::vector<std::array<double, 4>> byInk;
    for (std::size_t i = 0; i < cmyk.size(); i += 4)
        byInk.push_back({cmyk[i] * cmyk[i + 3] / 255.0, cmyk[i + 1] * cmyk[i + 3] / 255.0,
                         cmyk[i + 2] * cmyk[i + 3] / 255.0, 255});
    ExpectWithin(plain.picture.argb, byInk);
}

// sRGB's own profile, or an sRGB chunk beside another profile, convert
// nothing: the samples come out exactly as stored.
TEST(ColourProfiles, SrgbNeedsNoConversion)
{
    const Picture p = Patches();
    const Bytes png = EncodePngDepth(p, "RGB", 8, false);
    const Bytes withSrgbChunk =
        WithPngChunk(profiles::WithPngProfile(png, profiles::RgbProfile(profiles::AdobeRgb)),
                     "sRGB", std::string(1, '\0'));
    for (const Bytes& file :
         {profiles::WithPngProfile(png, profiles::SrgbProfile()),
          profiles::WithJpegProfile(EncodeJpeg(p, "RGB"), profiles::SrgbProfile()),
          withSrgbChunk}) {
        const Shown shown = Show(file);
        ASSERT_FALSE(shown.picture.argb.empty()) << shown.reason;
        EXPECT_EQ(shown.plan.colour, nullptr);
        EXPECT_EQ(shown.plan.colourProblem, "");
    }
    EXPECT_EQ(Show(profiles::WithPngProfile(png, profiles::SrgbProfile())).picture.argb, p.argb);
}

// A profile that cannot be used: the picture loads unconverted, with one
// line naming the file and what is wrong.
TEST(ColourProfiles, AProfileThatCannotBeUsedLeavesThePictureUnconvertedWithOneLine)
{
    const Picture p = Patches();
    const Picture grey = MakeTrueColor(16, 8, false, true);
    const Bytes png = EncodePngDepth(p, "RGB", 8, false), jpeg = EncodeJpeg(p, "RGB");
    const Bytes adobe = profiles::RgbProfile(profiles::AdobeRgb);
    Bytes damaged = adobe;
    std::fill(damaged.begin() + 128, damaged.end(), 0xEE);
    Bytes pieces = profiles::WithJpegProfile(jpeg, adobe, 3);
    // The second piece's number made the first's: the pieces do not fit.
    pieces[2 + 18 + (adobe.size() + 2) / 3 + 16] = 1;
    Bytes outside = testimages::EncodeBmpWithProfile(p, adobe);
    outside.resize(outside.size() - 10);
    Bytes crc = profiles::WithPngProfile(png, adobe);
    crc[33 + 8 + 20] ^= 0xFF;
    const struct
    {
        const char* name;
        Bytes file;
        const char* problem;
        const Picture& unconverted;
    } cases[] = {
        {"noise.png", profiles::WithPngProfile(png, Bytes(300, 0x5A)), "Little CMS", p},
        {"damaged.png", profiles::WithPngProfile(png, damaged), "", p},
        {"grey-picture.png", profiles::WithPngProfile(EncodePngDepth(grey, "R", 8, false), adobe),
         "it describes RGB colours, and the picture is grey", grey},
        {"abstract.png", profiles::WithPngProfile(png, profiles::AbstractProfile()), "it describes",
         p},
        {"cmyk-for-rgb.jpg", profiles::WithJpegProfile(jpeg, profiles::CmykProfile()),
         "it describes CMYK colours, and the picture is RGB", p},
        {"pieces.jpg", pieces, "the pieces of the colour profile do not fit together", p},
        {"huge.jpg", profiles::WithJpegProfile(jpeg, Bytes((4 << 20) + 1, 1), 70),
         "the colour profile is larger than 4 MiB", p},
        {"outside.bmp", outside, "the colour profile lies outside the file", p},
        {"crc.png", crc, "the PNG chunk that holds the colour profile is damaged", p},
    };
    NullEngine engine;
    const ScratchFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(c.name, std::string(c.file.begin(), c.file.end()));
        testing::internal::CaptureStderr();
        video::ITexture* texture = LoadPanoramaTexture(engine.driver, dir.file(c.name).c_str());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(texture, nullptr);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(
            err.find("skyglass: ignoring the colour profile of \"" + dir.file(c.name) + "\": "), 0u)
            << err;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
        const Shown shown = Show(c.file);
        if (std::string(c.name).find(".jpg") == std::string::npos)
            EXPECT_EQ(shown.picture.argb, c.unconverted.argb);
        else
            EXPECT_EQ(shown.picture.argb, ReadJpegWithLibjpeg(c.file).argb);
    }
}

} // namespace
