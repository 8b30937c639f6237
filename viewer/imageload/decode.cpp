#include "decode.h"

#include "decode_common.h"

#include <sys/mman.h>

namespace imageload {
namespace detail {

bool CheckDimensions(std::uint64_t width, std::uint64_t height, std::string& reason)
{
    if (width == 0 || height == 0)
        return Fail(reason, "the image has no pixels");
    if (width > MaxImageSide || height > MaxImageSide || width * height > MaxImagePixels) {
        reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than the limit of " + std::to_string(MaxImageSide) +
                 " pixels a side and " + std::to_string(MaxImagePixels >> 20) + " megapixels";
        return false;
    }
    return true;
}

namespace {

// A big picture is written once from start to end; backing it with huge
// pages where the system allows it saves most of the page faults of that
// first write. Only whole huge pages inside the buffer are advised.
void AdviseHugePages(unsigned char* buffer, std::size_t bytes)
{
    constexpr std::uintptr_t HugePage = 2u << 20;
    if (bytes < 4 * HugePage)
        return;
    const std::uintptr_t start =
        (reinterpret_cast<std::uintptr_t>(buffer) + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(HugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace

bool AllocateImage(DecodedImage& image, std::uint64_t width, std::uint64_t height,
                   PixelLayout layout, std::string& reason)
{
    if (!CheckDimensions(width, height, reason))
        return false;
    const std::size_t bytes =
        static_cast<std::size_t>(width * height) * (layout == PixelLayout::Rgb24 ? 3 : 4);
    image.pixels.reset(new (std::nothrow) unsigned char[bytes]);
    if (!image.pixels)
        return Fail(reason, "not enough memory for the image");
    AdviseHugePages(image.pixels.get(), bytes);
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.layout = layout;
    return true;
}

} // namespace detail

using namespace detail;

const char* FormatName(FileFormat format)
{
    switch (format) {
    case FileFormat::Bmp:
        return "BMP";
    case FileFormat::Jpeg:
        return "JPEG";
    case FileFormat::Pcx:
        return "PCX";
    case FileFormat::Png:
        return "PNG";
    case FileFormat::Pnm:
        return "PPM";
    case FileFormat::Psd:
        return "PSD";
    case FileFormat::Sgi:
        return "SGI RGB";
    case FileFormat::Tga:
        return "TGA";
    case FileFormat::Wal:
        return "WAL";
    case FileFormat::Lmp:
        return "LMP";
    case FileFormat::Unknown:
        break;
    }
    return "unknown";
}

namespace {

// TGA has no magic number: accept only a header whose every field holds a
// value the format defines.
bool LooksLikeTga(const unsigned char* d, std::size_t size)
{
    if (size < 18)
        return false;
    const unsigned mapType = d[1], type = d[2], mapBits = d[7], depth = d[16];
    const unsigned width = Le16(d + 12), height = Le16(d + 14);
    if (mapType > 1 || width == 0 || height == 0 || (d[17] & 0xC0) != 0)
        return false;
    if (mapType == 1 && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
        return false;
    switch (type) {
    case 1:
    case 9:
        return mapType == 1 && depth == 8;
    case 2:
    case 10:
        return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    case 3:
    case 11:
        return depth == 8;
    default:
        return false;
    }
}

} // namespace

FileFormat IdentifyImage(const unsigned char* d, std::size_t size)
{
    if (size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF)
        return FileFormat::Jpeg;
    if (size >= 8 && std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) == 0)
        return FileFormat::Png;
    if (size >= 2 && d[0] == 'B' && d[1] == 'M')
        return FileFormat::Bmp;
    if (size >= 4 && std::memcmp(d, "8BPS", 4) == 0)
        return FileFormat::Psd;
    if (size >= 2 && d[0] == 0x01 && d[1] == 0xDA)
        return FileFormat::Sgi;
    if (size >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6' &&
        (d[2] == ' ' || d[2] == '\t' || d[2] == '\r' || d[2] == '\n' || d[2] == '#'))
        return FileFormat::Pnm;
    if (size >= 4 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1 &&
        (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8))
        return FileFormat::Pcx;
    if (LooksLikeTga(d, size))
        return FileFormat::Tga;
    std::string ignored;
    if (CheckWal(d, size, ignored))
        return FileFormat::Wal;
    if (CheckLmp(d, size, ignored))
        return FileFormat::Lmp;
    return FileFormat::Unknown;
}

// Quake 2 texture: 32-byte name, width, height, four mip level offsets, then
// 44 more header bytes; each level is one palette index per pixel, each
// level half the size of the one before.
bool CheckWal(const unsigned char* d, std::size_t size, std::string& reason)
{
    constexpr std::size_t HeaderSize = 100;
    if (size < HeaderSize)
        return Fail(reason, "the WAL header is cut short");
    const std::uint64_t width = Le32(d + 32), height = Le32(d + 36);
    if (!CheckDimensions(width, height, reason))
        return false;
    for (int level = 0; level < 4; ++level) {
        const std::uint64_t offset = Le32(d + 40 + 4 * level);
        const std::uint64_t bytes = (width >> level) * (height >> level);
        if (offset < HeaderSize || offset + bytes > size)
            return Fail(reason, "a WAL mip level lies outside the file");
    }
    return true;
}

// Quake picture lump: width, height, one palette index per pixel, nothing
// else.
bool CheckLmp(const unsigned char* d, std::size_t size, std::string& reason)
{
    if (size < 8)
        return Fail(reason, "the LMP header is cut short");
    const std::uint64_t width = Le32(d), height = Le32(d + 4);
    if (!CheckDimensions(width, height, reason))
        return false;
    if (8 + width * height != size)
        return Fail(reason, "the LMP size does not match its width and height");
    return true;
}

bool DecodeImage(const unsigned char* data, std::size_t size, DecodedImage& image,
                 std::string& reason, FileFormat& format)
{
    format = IdentifyImage(data, size);
    switch (format) {
    case FileFormat::Bmp:
        return DecodeBmp(data, size, image, reason);
    case FileFormat::Jpeg:
        return DecodeJpeg(data, size, image, reason);
    case FileFormat::Pcx:
        return DecodePcx(data, size, image, reason);
    case FileFormat::Png:
        return DecodePng(data, size, image, reason);
    case FileFormat::Pnm:
        return DecodePnm(data, size, image, reason);
    case FileFormat::Psd:
        return DecodePsd(data, size, image, reason);
    case FileFormat::Sgi:
        return DecodeSgi(data, size, image, reason);
    case FileFormat::Tga:
        return DecodeTga(data, size, image, reason);
    case FileFormat::Wal:
        return CheckWal(data, size, reason);
    case FileFormat::Lmp:
        return CheckLmp(data, size, reason);
    case FileFormat::Unknown:
        break;
    }
    return Fail(reason, "not an image format the viewer reads");
}

} // namespace imageload
