// The texture entry point and the rules around it: content decides the
// format, sizes have a limit, and a refused file gets one line on standard
// error and never reaches the engine's own loaders.
#include "cases.h"
#include "decode.h"
#include "imageload.h"
#include "null_engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace irr;
using namespace testimages;
namespace fs = std::filesystem;

namespace {

class TempDir
{
public:
    TempDir()
    {
        char pattern[] = "/tmp/imageload-test-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path); }

    std::string write(const std::string& name, const Bytes& bytes) const
    {
        const std::string file = (path / name).string();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    fs::path path;
};

Bytes ValidBmp()
{
    return EncodeBmp({}, MakeTrueColor(13, 7, false), {24});
}

std::size_t Lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(LoadPanoramaTexture, ValidFileBecomesTextureUnderItsName)
{
    NullEngine engine;
    TempDir dir;
    const std::string file = dir.write("sky.bmp", ValidBmp());
    const u32 before = engine.driver->getTextureCount();
    video::ITexture* texture = LoadPanoramaTexture(engine.driver, file.c_str());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(engine.driver->getTextureCount(), before + 1);
    EXPECT_EQ(engine.driver->getTexture(file.c_str()), texture);
}

TEST(LoadPanoramaTexture, ContentDecidesNotTheName)
{
    NullEngine engine;
    TempDir dir;
    const u32 before = engine.driver->getTextureCount();
    const Picture rgb = MakeTrueColor(13, 7, false);
    // A PNG called .bmp and a JPEG without an extension load.
    EXPECT_NE(LoadPanoramaTexture(engine.driver,
                                  dir.write("png.bmp", EncodePng(rgb, {}, PngKind::Rgb)).c_str()),
              nullptr);
    EXPECT_NE(LoadPanoramaTexture(engine.driver,
                                  dir.write("photo", EncodeJpeg(rgb, JpegKind::Rgb)).c_str()),
              nullptr);

    // A damaged BMP called .jpg is refused as a BMP.
    Bytes damaged = ValidBmp();
    damaged.resize(80);
    const std::string file = dir.write("holiday.jpg", damaged);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanoramaTexture(engine.driver, file.c_str()), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("BMP"), std::string::npos) << err;
    EXPECT_EQ(engine.driver->getTextureCount(), before + 2);
}

TEST(LoadPanoramaTexture, RefusalIsOneLineNamingFileAndReason)
{
    NullEngine engine;
    TempDir dir;
    struct Refused
    {
        std::string file;
        std::string reason;
    };
    Bytes cut = ValidBmp();
    cut.resize(100);
    const Refused refused[] = {
        {dir.write("cut.bmp", cut), "cut short"},
        {dir.write("noise.png", Bytes(500, 0x5A)), "not an image format"},
        {dir.write("empty.jpg", Bytes()), "not an image format"},
        {(dir.path / "missing.jpg").string(), "No such file"},
        {dir.path.string(), "not a regular file"},
        {dir.write("two\nlines.bmp", cut), "cut short"},
    };
    const u32 before = engine.driver->getTextureCount();
    for (const Refused& r : refused) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadPanoramaTexture(engine.driver, r.file.c_str()), nullptr) << r.file;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Lines(err), 1u) << err;
        EXPECT_NE(err.find(r.reason), std::string::npos) << err;
        EXPECT_NE(err.find(fs::path(r.file).filename().string().substr(0, 3)), std::string::npos)
            << err;
    }
    EXPECT_EQ(engine.driver->getTextureCount(), before);
}

// A file the engine itself would load, but which passes the size limit, is
// refused without getTexture ever being asked for it.
TEST(LoadPanoramaTexture, RefusedFileNeverReachesTheEngine)
{
    NullEngine engine;
    TempDir dir;
    const Bytes wide = EncodeBmp({}, MakeTrueColor(imageload::MaxImageSide + 1, 1, false), {24});
    const std::string file = dir.write("wide.bmp", wide);
    video::IImage* byEngine = engine.driver->createImageFromFile(file.c_str());
    ASSERT_NE(byEngine, nullptr);
    byEngine->drop();

    const u32 before = engine.driver->getTextureCount();
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanoramaTexture(engine.driver, file.c_str()), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("limit"), std::string::npos);
    EXPECT_EQ(engine.driver->getTextureCount(), before);
}

// JPEG and PNG files are decoded as they are read from disk, not from memory:
// damaged and cut-short files take that path too.
TEST(LoadPanoramaTexture, DamagedJpegAndPngFilesFromDisk)
{
    NullEngine engine;
    TempDir dir;
    const Picture rgb = MakeTrueColor(40, 24, false);
    const Bytes valid[] = {EncodeJpeg(rgb, JpegKind::Rgb), EncodeJpeg(rgb, JpegKind::Progressive),
                           EncodePng(rgb, {}, PngKind::Rgb)};
    std::mt19937 random(20261207);
    testing::internal::CaptureStderr();
    for (const Bytes& file : valid)
        for (int i = 0; i < 60; ++i) {
            Bytes b = file;
            for (int k = 0; k < 4; ++k)
                b[random() % b.size()] = static_cast<unsigned char>(random());
            if (i % 2)
                b.resize(random() % b.size());
            LoadPanoramaTexture(engine.driver, dir.write("damaged" + std::to_string(i), b).c_str());
        }
    testing::internal::GetCapturedStderr();
}

// An unfinished download: the library would fill the missing part with grey.
TEST(DecodeJpeg, CutShortOrCorruptDataIsRefused)
{
    const Bytes jpeg = EncodeJpeg(MakeTrueColor(64, 64, false), JpegKind::Rgb);
    std::string reason;
    imageload::DecodedImage image;
    ASSERT_TRUE(imageload::DecodeJpeg(jpeg.data(), jpeg.size(), image, reason)) << reason;
    const Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 6 / 10);
    EXPECT_FALSE(imageload::DecodeJpeg(cut.data(), cut.size(), image, reason));
    EXPECT_NE(reason.find("Premature end"), std::string::npos) << reason;

    // A restart-free scan with a marker in the middle of its data.
    Bytes marked = jpeg;
    marked[marked.size() / 2] = 0xFF;
    marked[marked.size() / 2 + 1] = 0xD9;
    EXPECT_FALSE(imageload::DecodeJpeg(marked.data(), marked.size(), image, reason));
}

// Each scan of a progressive file is another pass over the whole picture.
TEST(DecodeJpeg, FilesWithHundredsOfScansAreRefused)
{
    const Picture rgb = MakeTrueColor(32, 16, false);
    std::string reason;
    imageload::DecodedImage image;
    const Bytes usual = EncodeJpeg(rgb, JpegKind::Progressive);
    EXPECT_TRUE(imageload::DecodeJpeg(usual.data(), usual.size(), image, reason)) << reason;
    const Bytes many = EncodeJpeg(rgb, JpegKind::ManyScans);
    EXPECT_FALSE(imageload::DecodeJpeg(many.data(), many.size(), image, reason));
    EXPECT_NE(reason.find("too many scans"), std::string::npos) << reason;
}

TEST(DecodeLimits, OversizedImagesAreRefusedBeforeDecoding)
{
    std::string reason;
    imageload::DecodedImage image;
    imageload::FileFormat format;

    // Headers that claim more than the limit; the data behind them is absent.
    Bytes bmp = ValidBmp();
    bmp[18] = 0x00, bmp[19] = 0x00, bmp[20] = 0x01, bmp[21] = 0x00; // width 65536
    EXPECT_FALSE(imageload::DecodeImage(bmp.data(), bmp.size(), image, reason, format));
    EXPECT_NE(reason.find("limit"), std::string::npos) << reason;

    // 16384 x 8193: each side allowed, the total is not.
    bmp = ValidBmp();
    bmp[18] = 0x00, bmp[19] = 0x40, bmp[20] = 0, bmp[21] = 0;
    bmp[22] = 0x01, bmp[23] = 0x20, bmp[24] = 0, bmp[25] = 0;
    EXPECT_FALSE(imageload::DecodeImage(bmp.data(), bmp.size(), image, reason, format));
    EXPECT_NE(reason.find("limit"), std::string::npos) << reason;

    const Bytes png =
        EncodePng(MakeTrueColor(imageload::MaxImageSide + 1, 1, false), {}, PngKind::Rgb);
    EXPECT_FALSE(imageload::DecodeImage(png.data(), png.size(), image, reason, format));
    EXPECT_NE(reason.find("limit"), std::string::npos) << reason;

    const Bytes jpeg =
        EncodeJpeg(MakeTrueColor(imageload::MaxImageSide + 8, 8, false), JpegKind::Rgb, 50);
    EXPECT_FALSE(imageload::DecodeImage(jpeg.data(), jpeg.size(), image, reason, format));
    EXPECT_NE(reason.find("limit"), std::string::npos) << reason;
}

TEST(DecodeLimits, LargestAllowedSideLoads)
{
    const Bytes png = EncodePng(MakeTrueColor(imageload::MaxImageSide, 2, false), {}, PngKind::Rgb);
    std::string reason;
    imageload::DecodedImage image;
    imageload::FileFormat format;
    ASSERT_TRUE(imageload::DecodeImage(png.data(), png.size(), image, reason, format)) << reason;
    EXPECT_EQ(image.width, imageload::MaxImageSide);
}

TEST(Identify, EveryValidCaseIsKnownByItsContent)
{
    for (const ImageCase& c : ValidCases()) {
        const imageload::FileFormat format =
            imageload::IdentifyImage(c.bytes.data(), c.bytes.size());
        EXPECT_NE(format, imageload::FileFormat::Unknown) << c.name;
    }
    const Bytes text = {'h', 'e', 'l', 'l', 'o', '\n'};
    EXPECT_EQ(imageload::IdentifyImage(text.data(), text.size()), imageload::FileFormat::Unknown);
}

// An LMP is only a width, a height and the pixels: a file of any other size
// is not one, whatever its name.
TEST(Identify, LmpAndWalNeedConsistentSizes)
{
    const Paletted quake = MakePaletted(16, 8, 256);
    Bytes lmp = EncodeLmp(quake);
    EXPECT_EQ(imageload::IdentifyImage(lmp.data(), lmp.size()), imageload::FileFormat::Lmp);
    lmp.push_back(0);
    EXPECT_EQ(imageload::IdentifyImage(lmp.data(), lmp.size()), imageload::FileFormat::Unknown);

    Bytes wal = EncodeWal(quake);
    EXPECT_EQ(imageload::IdentifyImage(wal.data(), wal.size()), imageload::FileFormat::Wal);
    wal.pop_back();
    EXPECT_EQ(imageload::IdentifyImage(wal.data(), wal.size()), imageload::FileFormat::Unknown);
}

} // namespace
