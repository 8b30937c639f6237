// Image loading: valid files show the pictures they hold, through any sink
// alike; damaged ones are refused or load, never read
// outside the file or break the row protocol (the sanitizer build runs these
// same tests); files load by their content, within the size limit, and a
// refused one gets one line.
#include "bytes_file.h"
#include "shown.h"
#include "checking_sink.h"
#include "imagedecode.h"
#include "imageload.h"
#include "mapped_bytes.h"
#include "picture_buffer.h"
#include "scratch_folder.h"
#include "testimages.h"
#include "texture_size.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <filesystem>
#include <random>

#include <fcntl.h>
#include <unistd.h>

using namespace irr;
using namespace testimages;

namespace {

class ValidFiles : public testing::TestWithParam<ImageCase>
{};

// Opens the file and decodes it through the sink that checks the row
// protocol; true when the file was identified and decoded (or is one the
// engine decodes).
bool DecodeChecked(const char* path, std::vector<unsigned char>* pixels = nullptr)
{
    std::string reason;
    imagedecode::ImageFile file;
    const bool opened = file.open(path, reason);
    EXPECT_TRUE(opened || !reason.empty());
    if (!opened || (file.format().flags & imagedecode::DecodedByEngine))
        return opened;
    CheckingSink sink(file.format().flags);
    const bool decoded = file.decode(sink, reason);
    EXPECT_EQ(sink.faults(), "");
    EXPECT_TRUE(decoded ? sink.complete() : !reason.empty()) << reason;
    if (pixels)
        *pixels = sink.pixels();
    return decoded;
}

// Every sink gets the same picture: the one that checks the protocol and the
// one the engine's image takes over.
TEST_P(ValidFiles, DecodeAlikeThroughEitherSink)
{
    const BytesFile file(GetParam().bytes);
    imagedecode::PictureBuffer picture;
    const Decoded d = DecodeFile(file.path(), picture);
    ASSERT_TRUE(d.opened) << d.reason;
    if (d.format->flags & imagedecode::DecodedByEngine)
        return;
    ASSERT_TRUE(d.decoded) << d.reason;
    std::vector<unsigned char> checked;
    ASSERT_TRUE(DecodeChecked(file.path(), &checked));
    const imagedecode::PictureInfo& info = picture.picture();
    EXPECT_EQ(std::vector<unsigned char>(
                  picture.pixels(), picture.pixels() + std::size_t(info.width) * info.height *
                                                           imagedecode::BytesPerPixel(info.layout)),
              checked);
}

// What each file shows, compared with a reading that does not go through
// the decoders: the picture the test stored in it, libjpeg's own reading of
// a JPEG file, and the engine's own decoder for the formats it decodes.
TEST_P(ValidFiles, ShowThePictureTheyHold)
{
    const ImageCase& c = GetParam();
    NullEngine engine;
    Picture expected = c.picture;
    if (c.extension == "jpg")
        expected = ReadJpegWithLibjpeg(c.bytes);
    video::IImage* byEngine = nullptr;
    if (expected.argb.empty()) {
        io::IReadFile* file = engine.device->getFileSystem()->createMemoryReadFile(
            const_cast<unsigned char*>(c.bytes.data()), s32(c.bytes.size()),
            ("case." + c.extension).c_str(), false);
        byEngine = engine.driver->createImageFromFile(file);
        file->drop();
        ASSERT_NE(byEngine, nullptr);
        expected.width = byEngine->getDimension().Width;
        expected.height = byEngine->getDimension().Height;
        for (u32 y = 0; y < expected.height; ++y)
            for (u32 x = 0; x < expected.width; ++x)
                expected.argb.push_back(byEngine->getPixel(x, y).color);
        byEngine->drop();
    }
    std::string reason;
    const BytesFile file(c.bytes);
    video::IImage* actual = imageload::DecodePanoramaImageFile(engine.driver, file.path(), reason);
    ASSERT_TRUE(actual) << reason;
    ASSERT_EQ(actual->getDimension(), core::dimension2d<u32>(expected.width, expected.height));
    int mismatches = 0;
    for (u32 i = 0, x = 0, y = 0; i < expected.argb.size();
         x = ++i % expected.width, y = i / expected.width) {
        const u32 e = expected.argb[i], a = actual->getPixel(x, y).color;
        if (e != a && ++mismatches <= 5)
            ADD_FAILURE() << x << "," << y << ": expected " << std::hex << e << ", decoded " << a;
    }
    EXPECT_EQ(mismatches, 0);
    actual->drop();
}

// Damaged files made from the valid ones with fixed seeds: bytes changed in
// the header or anywhere, files cut short at many lengths, and sizes, counts
// and offsets in the header set to extremes.
TEST_P(ValidFiles, DamagedAreRefusedOrLoad)
{
    const Bytes& valid = GetParam().bytes;
    NullEngine engine;
    BytesFile file;
    auto attempt = [&](const Bytes& b) {
        file.assign(b.data(), b.size());
        std::string reason;
        video::IImage* image =
            imageload::DecodePanoramaImageFile(engine.driver, file.path(), reason);
        EXPECT_TRUE(image || !reason.empty());
        EXPECT_LE(image ? image->getDimension().getArea() : 0, imagedecode::MaxImagePixels);
        EXPECT_EQ(DecodeChecked(file.path()), image != nullptr);
        if (image)
            image->drop();
    };
    std::seed_seq seed(GetParam().name.begin(), GetParam().name.end());
    std::mt19937 random(seed);
    const std::size_t header = std::min<std::size_t>(valid.size(), 128);
    for (int i = 0; i < 600; ++i) {
        Bytes b = valid;
        for (unsigned k = 1 + random() % 8; k > 0; --k)
            b[random() % (i < 300 ? header : b.size())] = static_cast<unsigned char>(random());
        b.resize(i >= 300 && i % 3 == 0 ? random() % b.size() : b.size());
        attempt(b);
    }
    for (std::size_t length = 0; length < valid.size(); length += valid.size() / 1500 + 1)
        attempt(Bytes(valid.begin(), valid.begin() + length));
    for (std::size_t at = 0; at < header; ++at)
        for (std::uint32_t value : {0x0u, 0x1u, 0x7Fu, 0x80u, 0xFFu, 0x4000u, 0x7FFFu, 0x8000u,
                                    0xFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
            for (unsigned width : {1, 2, 4})
                for (bool bigEndian : {false, true}) {
                    Bytes b = valid;
                    for (unsigned k = 0; k < width && at + width <= b.size(); ++k)
                        b[at + k] = static_cast<unsigned char>(value >>
                                                               8 * (bigEndian ? width - 1 - k : k));
                    attempt(b);
                }
}

INSTANTIATE_TEST_SUITE_P(EveryVariant, ValidFiles, testing::ValuesIn(ValidCases()),
                         [](const testing::TestParamInfo<ImageCase>& test) {
                             return test.param.name;
                         });

// A TGA whose rows are stored right to left (bit 4 of its image
// descriptor) shows the picture, not its mirror image: raw and run-length
// coded, bottom-up and top-down.
TEST(Tga, RowsStoredRightToLeftShowThePictureUnmirrored)
{
    const Picture p = MakeTrueColor(13, 7, false);
    Picture mirrored = p;
    for (unsigned y = 0; y < p.height; ++y)
        for (unsigned x = 0; x < p.width; ++x)
            mirrored.argb[y * p.width + x] = p.argb[y * p.width + p.width - 1 - x];
    for (bool rle : {false, true})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << "rle " << rle << ", top-down " << topDown);
            Bytes b = EncodeTga(mirrored, "BGR", rle, topDown);
            b[17] |= 0x10;
            imagedecode::PictureBuffer picture;
            const Decoded d = DecodeBytes(b, picture);
            ASSERT_TRUE(d.decoded) << d.reason;
            ASSERT_EQ(d.format->id, imagedecode::FileFormat::Tga);
            for (std::size_t i = 0; i < p.argb.size(); ++i) {
                const unsigned char* rgb = picture.pixels() + 3 * i;
                ASSERT_EQ(std::uint32_t(rgb[0] << 16 | rgb[1] << 8 | rgb[2]), p.argb[i] & 0xFFFFFF)
                    << "pixel " << i;
            }
        }
}

Bytes With(Bytes b, std::size_t at, std::uint32_t le32, std::size_t size = 0)
{
    for (unsigned k = 0; k < 4; ++k)
        b[at + k] = static_cast<unsigned char>(le32 >> 8 * k);
    b.resize(size ? size : b.size());
    return b;
}

// Files load by their content, as textures under their names. A refused one
// gets one line on standard error naming it and the reason, and never reaches
// getTexture (which would load the too wide BMP): sizes beyond the limit (a
// small file must not claim gigabytes; pictures wider than a texture load,
// reduced), unfinished or corrupt JPEG data (the
// library would fill in grey), hundreds of progressive scans (each one a pass
// over the picture), BMP colour masks past the end of the file.
TEST(LoadPanoramaTexture, GoesByContentAndRefusesInOneLine)
{
    NullEngine engine;
    const ScratchFolder dir;
    auto write = [&](const std::string& name, const Bytes& bytes) {
        dir.write(name, std::string(bytes.begin(), bytes.end()));
        return dir.file(name);
    };
    const Picture rgb = MakeTrueColor(13, 7, false);
    const unsigned side = imagedecode::MaxImageSide;
    const Bytes bmp = EncodeBmp(rgb, "BGR"), png = EncodePng(MakeTrueColor(40, 24, false), "RGB");
    const Bytes jpeg = EncodeJpeg(MakeTrueColor(64, 64, false), "RGB");
    const Bytes cut(bmp.begin(), bmp.begin() + 100);
    Bytes marked = jpeg;
    marked[jpeg.size() / 2] = 0xFF, marked[jpeg.size() / 2 + 1] = 0xD9;
    const std::string wide = write("wide.bmp", EncodeBmp(MakeTrueColor(side + 1, 1, false), "BGR"));
    video::IImage* byEngine = engine.driver->createImageFromFile(wide.c_str());
    ASSERT_NE(byEngine, nullptr);
    byEngine->drop();
    const std::pair<std::string, const char*> files[] = {
        {write("png.jpg", EncodePng(rgb, "RGB")), nullptr},
        {write("photo", EncodeJpeg(rgb, "RGB")), nullptr},
        {write("widest.png", EncodePng(MakeTrueColor(side, 2, false), "RGB")), nullptr},
        {write("wider-than-a-texture.jpg", EncodeJpeg(MakeTrueColor(20000, 8, false), "RGB")),
         nullptr},
        {wide, "limit"},
        {write("huge.bmp", With(bmp, 18, 0x7FFFFFFF)), "limit"},
        {write("each-side-allowed.bmp", With(With(bmp, 18, side), 22, side / 2 + 1)), "limit"},
        {write("wide.png", EncodePng(MakeTrueColor(side + 1, 1, false), "RGB")), "limit"},
        {write("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 6 / 10)),
         "Premature end"},
        {write("marked.jpg", marked), "JPEG"},
        {write("scans.jpg", EncodeJpeg(MakeTrueColor(32, 16, false), "RGB", 2)), "too many scans"},
        {write("masks.bmp", With(bmp, 28, 16 | 3 << 16, 60)), "colour masks"}, // 16-bit bit fields
        {write("cut.bmp", cut), "cut short"},
        {write("holiday.jpg", cut), "BMP"},
        {write("cut.png", Bytes(png.begin(), png.begin() + png.size() / 2)), "PNG"},
        {write("noise.png", Bytes(500, 0x5A)), "not an image format"},
        {write("empty.jpg", Bytes()), "not an image format"},
        {dir.file("missing.jpg"), "No such file"},
        {dir.path(), "not a regular file"},
        {write("two\nlines.bmp", cut), "cut short"},
    };
    for (const auto& [file, reason] : files) {
        const u32 textures = engine.driver->getTextureCount();
        testing::internal::CaptureStderr();
        video::ITexture* texture = LoadPanoramaTexture(engine.driver, file.c_str());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(engine.driver->getTextureCount(), textures + (reason ? 0 : 1)) << file;
        if (!reason) {
            EXPECT_EQ(engine.driver->getTexture(file.c_str()), texture);
            EXPECT_LE(texture ? texture->getSize().Width : 0, imagedecode::MaxTextureSide);
            continue;
        }
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        const std::string name = std::filesystem::path(file).filename().string();
        EXPECT_NE(err.find(name.substr(0, 3)), std::string::npos) << err;
    }
}

// Another program shortens a file while the viewer has it mapped: reading
// past the new end finds zeros instead of ending the process, and says so.
TEST(MappedBytes, AFileShortenedWhileMappedReadsAsZerosAndSaysSo)
{
    const ScratchFolder dir;
    const long page = sysconf(_SC_PAGESIZE);
    dir.write("picture", std::string(3 * std::size_t(page), 'x'));
    const int fd = open(dir.file("picture").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    imagedecode::MappedBytes bytes;
    ASSERT_TRUE(bytes.map(fd, 3 * std::size_t(page)));
    EXPECT_EQ(bytes.data()[2 * page], 'x');
    EXPECT_FALSE(bytes.truncated());
    ASSERT_EQ(truncate(dir.file("picture").c_str(), page), 0);
    const volatile unsigned char* data = bytes.data();
    EXPECT_EQ(data[0], 'x');
    EXPECT_EQ(data[2 * page + 1], 0);
    EXPECT_TRUE(bytes.truncated());
    close(fd);
}

} // namespace
