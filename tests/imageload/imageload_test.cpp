// The image loading unit: valid files decode as the engine's own decoders
// read them, damaged files are refused or load, never read outside the file
// (the sanitizer build runs these same tests), and the texture entry point
// goes by content, keeps the size limit and refuses in one line.
#include "decode.h"
#include "imageload.h"
#include "testimages.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace irr;
using namespace testimages;
namespace fs = std::filesystem;

namespace {

// An engine with the null driver: a video driver without a display.
struct NullEngine
{
    NullEngine() : device(createDevice(video::EDT_NULL)), driver(device->getVideoDriver())
    {
        device->getLogger()->setLogLevel(ELL_NONE);
    }
    ~NullEngine() { device->drop(); }

    // Decodes with the engine's own decoders, chosen by the extension.
    video::IImage* engineDecode(const Bytes& bytes, const std::string& ext)
    {
        io::IReadFile* file = device->getFileSystem()->createMemoryReadFile(
            const_cast<unsigned char*>(bytes.data()), static_cast<s32>(bytes.size()),
            ("case." + ext).c_str(), false);
        video::IImage* image = driver->createImageFromFile(file);
        file->drop();
        return image;
    }

    IrrlichtDevice* device;
    video::IVideoDriver* driver;
};

class ValidFiles : public testing::TestWithParam<ImageCase>
{};

TEST_P(ValidFiles, MatchTheEnginesDecoder)
{
    const ImageCase& c = GetParam();
    NullEngine engine;
    video::IImage* expected =
        engine.engineDecode(c.reference.empty() ? c.bytes : c.reference,
                            c.reference.empty() ? c.extension : c.referenceExtension);
    ASSERT_NE(expected, nullptr) << "the engine cannot read this test file";
    std::string reason;
    video::IImage* actual =
        imageload::DecodePanoramaImage(engine.driver, c.bytes.data(), c.bytes.size(), reason);
    ASSERT_NE(actual, nullptr) << reason;
    ASSERT_EQ(actual->getDimension(), expected->getDimension());
    // Paletted pictures: the top five bits of red, green and blue.
    const u32 mask = c.precision == 8 ? 0xFFFFFFFFu : 0x00F8F8F8u;
    int mismatches = 0;
    for (u32 y = 0; y < expected->getDimension().Height; ++y)
        for (u32 x = 0; x < expected->getDimension().Width; ++x) {
            const u32 e = expected->getPixel(x, y).color, a = actual->getPixel(x, y).color;
            if ((e ^ a) & mask && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": engine " << std::hex << e
                              << ", ours " << a;
        }
    EXPECT_EQ(mismatches, 0);
    expected->drop();
    actual->drop();
}

// Damaged files made from the valid ones with fixed seeds: header bytes and
// bytes anywhere changed, files cut short at many lengths, and sizes, counts
// and offsets set to extremes. PNG files also go the way of a file on disk.
TEST_P(ValidFiles, DamagedLoadOrAreRefused)
{
    const Bytes& valid = GetParam().bytes;
    const bool png = GetParam().extension == "png";
    NullEngine engine;
    auto attempt = [&](const Bytes& b) {
        std::string reason;
        video::IImage* image =
            imageload::DecodePanoramaImage(engine.driver, b.data(), b.size(), reason);
        if (image) {
            const core::dimension2d<u32> size = image->getDimension();
            EXPECT_LE(std::uint64_t(size.Width) * size.Height, imageload::MaxImagePixels);
            image->getPixel(size.Width - 1, size.Height - 1);
            image->drop();
        } else {
            EXPECT_FALSE(reason.empty());
        }
        if (png && !b.empty()) {
            std::FILE* file = fmemopen(const_cast<unsigned char*>(b.data()), b.size(), "rb");
            imageload::DecodedImage decoded;
            reason.clear();
            EXPECT_TRUE(imageload::DecodePngFile(file, decoded, reason) || !reason.empty());
            std::fclose(file);
        }
    };
    std::seed_seq seed(GetParam().name.begin(), GetParam().name.end());
    std::mt19937 random(seed);
    const std::size_t header = std::min<std::size_t>(valid.size(), 128);
    for (int i = 0; i < 600; ++i) {
        Bytes b = valid;
        for (unsigned k = 1 + random() % 8; k > 0; --k)
            b[random() % (i < 300 ? header : b.size())] = static_cast<unsigned char>(random());
        if (i >= 300 && i % 3 == 0)
            b.resize(random() % b.size());
        attempt(b);
    }
    for (std::size_t length = 0; length < valid.size(); length += valid.size() / 1500 + 1)
        attempt(Bytes(valid.begin(), valid.begin() + length));
    for (std::size_t at = 0; at < header; ++at)
        for (std::uint32_t value : {0u, 1u, 0x7Fu, 0x80u, 0xFFu, 0x4000u, 0x7FFFu, 0x8000u, 0xFFFFu,
                                    0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
            for (unsigned width : {1u, 2u, 4u})
                for (bool bigEndian : {false, true}) {
                    if (at + width > valid.size() || (width == 1 && bigEndian))
                        continue;
                    Bytes b = valid;
                    for (unsigned k = 0; k < width; ++k)
                        b[at + k] = static_cast<unsigned char>(value >>
                                                               8 * (bigEndian ? width - 1 - k : k));
                    attempt(b);
                }
}

INSTANTIATE_TEST_SUITE_P(EveryVariant, ValidFiles, testing::ValuesIn(ValidCases()),
                         [](const testing::TestParamInfo<ImageCase>& info) {
                             return info.param.name;
                         });

Bytes WithLe32(Bytes b, std::size_t at, std::uint32_t value)
{
    for (unsigned k = 0; k < 4; ++k)
        b[at + k] = static_cast<unsigned char>(value >> 8 * k);
    return b;
}

// Files refused before any decoding starts, or halfway, with a word of the
// reason: sizes beyond the limit (a small file must not claim gigabytes),
// unfinished or corrupt JPEG data (the library would fill in grey), JPEG
// files of hundreds of scans (one pass over the picture each), BMP colour
// masks past the end (found by fuzzing), and WAL or LMP files whose size
// does not match their header (they have no magic number).
TEST(Decoders, RefuseWhatTheyCannotTrust)
{
    const Picture rgb = MakeTrueColor(13, 7, false), quake = MakePaletted(16, 8, 256);
    const Bytes bmp = EncodeBmp(rgb, "BGR"), jpeg = EncodeJpeg(MakeTrueColor(64, 64, false), "RGB");
    Bytes marked = jpeg, masks(64, 0), lmp = EncodeLmp(quake), wal = EncodeWal(quake);
    marked[jpeg.size() / 2] = 0xFF, marked[jpeg.size() / 2 + 1] = 0xD9;
    const unsigned char maskHeader[] = {0x42, 0x4d, 0, 0,    0,    0x01, 0x06, 0,    0x02, 0, 0xbe,
                                        0xff, 0x08, 0, 0x2e, 0,    0,    0,    0x0d, 0,    0, 0,
                                        0x07, 0,    0, 0,    0x01, 0,    0x10, 0,    0x03, 0, 0};
    std::copy(std::begin(maskHeader), std::end(maskHeader), masks.begin());
    masks[61] = 0x2b;
    lmp.push_back(0), wal.pop_back();
    const std::pair<Bytes, const char*> refused[] = {
        {WithLe32(bmp, 18, 65536), "limit"},
        {WithLe32(WithLe32(bmp, 18, 16384), 22, 8193), "limit"}, // each side allowed
        {EncodePng(MakeTrueColor(imageload::MaxImageSide + 1, 1, false), "RGB"), "limit"},
        {EncodeJpeg(MakeTrueColor(imageload::MaxImageSide + 8, 8, false), "RGB", JpegKind::Baseline,
                    50),
         "limit"},
        {Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 6 / 10), "Premature end"},
        {marked, "JPEG"},
        {EncodeJpeg(MakeTrueColor(32, 16, false), "RGB", JpegKind::ManyScans), "too many scans"},
        {masks, "BMP"},
        {lmp, "not an image format"},
        {wal, "not an image format"},
    };
    imageload::DecodedImage image;
    imageload::FileFormat format;
    for (const auto& [bytes, expected] : refused) {
        std::string reason;
        EXPECT_FALSE(imageload::DecodeImage(bytes.data(), bytes.size(), image, reason, format));
        EXPECT_NE(reason.find(expected), std::string::npos) << reason;
    }
    // The largest side allowed loads.
    const Bytes widest = EncodePng(MakeTrueColor(imageload::MaxImageSide, 2, false), "RGB");
    std::string reason;
    EXPECT_TRUE(imageload::DecodeImage(widest.data(), widest.size(), image, reason, format))
        << reason;
}

struct TempDir
{
    TempDir()
    {
        char pattern[] = "/tmp/imageload-test-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream((path / name).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return (path / name).string();
    }
    fs::path path;
};

// A PNG called .jpg and a JPEG without an extension load, as textures under
// their file names.
TEST(LoadPanoramaTexture, ContentDecidesNotTheName)
{
    NullEngine engine;
    TempDir dir;
    const Picture rgb = MakeTrueColor(13, 7, false);
    for (const std::string& file : {dir.write("png.jpg", EncodePng(rgb, "RGB")),
                                    dir.write("photo", EncodeJpeg(rgb, "RGB"))}) {
        const u32 before = engine.driver->getTextureCount();
        video::ITexture* texture = LoadPanoramaTexture(engine.driver, file.c_str());
        ASSERT_NE(texture, nullptr) << file;
        EXPECT_EQ(engine.driver->getTextureCount(), before + 1);
        EXPECT_EQ(engine.driver->getTexture(file.c_str()), texture);
    }
}

// A refused file gets one line on standard error naming it and the reason,
// and never reaches getTexture, which would load the too wide BMP.
TEST(LoadPanoramaTexture, RefusalIsOneLineAndNeverReachesTheEngine)
{
    NullEngine engine;
    TempDir dir;
    Bytes cut = EncodeBmp(MakeTrueColor(13, 7, false), "BGR"),
          png = EncodePng(MakeTrueColor(40, 24, false), "RGB");
    cut.resize(100), png.resize(png.size() / 2);
    const std::string wide = dir.write(
        "wide.bmp", EncodeBmp(MakeTrueColor(imageload::MaxImageSide + 1, 1, false), "BGR"));
    video::IImage* byEngine = engine.driver->createImageFromFile(wide.c_str());
    ASSERT_NE(byEngine, nullptr);
    byEngine->drop();
    const std::pair<std::string, const char*> refused[] = {
        {wide, "limit"},
        {dir.write("cut.bmp", cut), "cut short"},
        {dir.write("holiday.jpg", cut), "BMP"},
        {dir.write("cut.png", png), "PNG"},
        {dir.write("noise.png", Bytes(500, 0x5A)), "not an image format"},
        {dir.write("empty.jpg", Bytes()), "not an image format"},
        {(dir.path / "missing.jpg").string(), "No such file"},
        {dir.path.string(), "not a regular file"},
        {dir.write("two\nlines.bmp", cut), "cut short"},
    };
    const u32 before = engine.driver->getTextureCount();
    for (const auto& [file, reason] : refused) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadPanoramaTexture(engine.driver, file.c_str()), nullptr) << file;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        EXPECT_NE(err.find(fs::path(file).filename().string().substr(0, 3)), std::string::npos)
            << err;
    }
    EXPECT_EQ(engine.driver->getTextureCount(), before);
}

} // namespace
