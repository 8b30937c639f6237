// Recognition goes by content through the format table: a format whose
// signature matches but that cannot open the file hands it on to the next
// format, so that no weak signature hides a valid file of another.
#include "bytes_file.h"
#include "imagedecode.h"
#include "picture_buffer.h"
#include "source.h"
#include "testimages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace testimages;
using imagedecode::FileFormat;

namespace {

// A legal colour-mapped TGA whose first bytes also pass the PCX signature:
// a 10-byte image ID (0x0A, PCX's fixed first byte) and a colour map that
// starts at entry `first` (1, 2, 4 or 8, a PCX bit depth).
Bytes TgaLookingLikePcx(const Picture& p, unsigned first)
{
    Bytes b = {
        10, 1, 1, static_cast<unsigned char>(first), 0, static_cast<unsigned char>(256 - first),
        0,  24};
    b.insert(b.end(), {0, 0, 0, 0, static_cast<unsigned char>(p.width), 0,
                       static_cast<unsigned char>(p.height), 0, 8, 0x20});
    for (char c : std::string("panorama10"))
        b.push_back(static_cast<unsigned char>(c));
    for (unsigned i = first; i < 256; ++i)
        b.insert(b.end(), {static_cast<unsigned char>(p.palette[i]),
                           static_cast<unsigned char>(p.palette[i] >> 8),
                           static_cast<unsigned char>(p.palette[i] >> 16)});
    b.insert(b.end(), p.indices.begin(), p.indices.end());
    return b;
}

// The paletted test picture with no index below `first`.
Picture PalettedFrom(unsigned first)
{
    Picture p = MakePaletted(13, 7);
    for (std::size_t i = 0; i < p.indices.size(); ++i) {
        p.indices[i] = static_cast<unsigned char>(std::max<unsigned>(p.indices[i], first));
        p.argb[i] = p.palette[p.indices[i]];
    }
    return p;
}

// A Quake 2 texture whose name starts with another format's signature.
Bytes WalNamed(const std::string& name)
{
    Bytes b = EncodeWal(MakePaletted(16, 8));
    std::copy(name.begin(), name.end(), b.begin());
    return b;
}

struct Collision
{
    FileFormat format; // what the file is
    Bytes bytes;
};

std::vector<Collision> Collisions()
{
    std::vector<Collision> files;
    for (unsigned first : {1u, 2u, 4u, 8u})
        files.push_back({FileFormat::Tga, TgaLookingLikePcx(PalettedFrom(first), first)});
    for (const std::string& name :
         {std::string("\xFF\xD8\xFF"), std::string("\x89PNG\r\n\x1A\n"),
          std::string("\0\0\0\x18"
                      "ftypheic",
                      12),
          std::string("RIFF\0\0\0\0WEBP", 12), std::string("BM"), std::string("8BPS"),
          std::string("\x01\xDA"), std::string("P6 "), std::string("\x0A\x05\x01\x08"),
          std::string("\0\0\2", 3)})
        files.push_back({FileFormat::Wal, WalNamed(name)});
    return files;
}

FileFormat FormatOfExtension(const std::string& extension)
{
    const std::map<std::string, FileFormat> formats = {
        {"bmp", FileFormat::Bmp}, {"jpg", FileFormat::Jpeg}, {"pcx", FileFormat::Pcx},
        {"png", FileFormat::Png}, {"ppm", FileFormat::Pnm},  {"psd", FileFormat::Psd},
        {"rgb", FileFormat::Sgi}, {"tga", FileFormat::Tga},  {"wal", FileFormat::Wal},
        {"lmp", FileFormat::Lmp}};
    return formats.at(extension);
}

// The colour-mapped TGA that a first version of recognition took for a
// PCX, and refused as a picture without pixels.
TEST(Recognition, ReadsTheTgaWhoseFirstBytesLookLikeAPcx)
{
    for (unsigned first : {1u, 2u, 4u, 8u}) {
        SCOPED_TRACE(first);
        const Picture p = PalettedFrom(first);
        const Bytes b = TgaLookingLikePcx(p, first);
        ASSERT_TRUE(imagedecode::FormatOf(FileFormat::Pcx).codec->matches(b.data(), b.size()));
        imagedecode::PictureBuffer picture;
        const Decoded d = DecodeBytes(b, picture);
        ASSERT_TRUE(d.decoded) << d.reason;
        EXPECT_EQ(d.format->id, FileFormat::Tga);
        for (std::size_t i = 0; i < p.argb.size(); ++i) {
            const unsigned char* rgb = picture.pixels() + 3 * i;
            ASSERT_EQ(std::uint32_t(rgb[0] << 16 | rgb[1] << 8 | rgb[2]), p.argb[i] & 0xFFFFFF)
                << "pixel " << i;
        }
    }
}

// Every pair of formats whose signatures can both match one file: the
// earlier format refuses to open it and the later format reads it.
// The formats with fixed magic bytes never share a file (their first bytes
// differ); TGA and PCX can; WAL and LMP have no signature at all, and a WAL
// texture's name may start with any other signature. An LMP starts with its
// width, below 65536, so no signature but WAL's matches it.
TEST(Recognition, EveryPairOfMatchingSignaturesIsResolvedByTheHeaderCheck)
{
    std::vector<Collision> files = Collisions();
    for (const ImageCase& c : ValidCases())
        files.push_back({FormatOfExtension(c.extension), c.bytes});

    std::set<std::pair<FileFormat, FileFormat>> pairs; // file's format, other signature
    for (const Collision& file : files) {
        const BytesFile bytes(file.bytes);
        std::string reason;
        for (const imagedecode::ImageFormat& other : imagedecode::Formats()) {
            if (other.id == file.format)
                break; // later formats come after the file's own
            imagedecode::Source source;
            ASSERT_TRUE(source.open(bytes.path(), reason)) << reason;
            if (!other.codec->matches(source.head(), source.headSize()))
                continue;
            pairs.insert({file.format, other.id});
            EXPECT_EQ(other.codec->open(source, reason), nullptr)
                << imagedecode::FormatOf(file.format).name << " file opens as " << other.name;
        }
        imagedecode::ImageFile image;
        ASSERT_TRUE(image.open(bytes.path(), reason)) << reason;
        EXPECT_EQ(image.format().id, file.format) << imagedecode::FormatOf(file.format).name;
    }

    std::set<std::pair<FileFormat, FileFormat>> expected = {{FileFormat::Tga, FileFormat::Pcx},
                                                            {FileFormat::Lmp, FileFormat::Wal}};
    for (const imagedecode::ImageFormat& other : imagedecode::Formats())
        if (other.id != FileFormat::Wal && other.id != FileFormat::Lmp)
            expected.insert({FileFormat::Wal, other.id});
    EXPECT_EQ(pairs, expected);
}

// A file that no format reads says why the first format whose signature
// matched refused it.
TEST(Recognition, ARefusedFileSaysWhyItsFirstMatchingFormatRefusedIt)
{
    const Bytes bmp = EncodeBmp(MakeTrueColor(13, 7, false), "BGR");
    const std::pair<Bytes, std::string> files[] = {
        {Bytes(bmp.begin(), bmp.begin() + 100), "the BMP pixel data is cut short"},
        {Bytes{'P', '6', '\n', '0', ' ', '1', ' ', '2', '5', '5', '\n'}, "the image has no pixels"},
        {Bytes(500, 0x5A), "not an image format the viewer reads"},
        {Bytes(), "not an image format the viewer reads"},
    };
    for (const auto& [b, why] : files) {
        const BytesFile file(b);
        std::string reason;
        imagedecode::ImageFile image;
        EXPECT_FALSE(image.open(file.path(), reason));
        EXPECT_EQ(reason, why);
    }
}

} // namespace
