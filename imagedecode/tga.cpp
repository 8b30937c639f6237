// Truevision TGA: colour-mapped (8-bit indices), true colour (15, 16, 24 and
// 32 bits) and greyscale (8 bits), each raw or run-length compressed, stored
// bottom-up or top-down, left to right or right to left.
#include "byte_reader.h"
#include "decoder.h"

namespace imagedecode {

namespace {

constexpr std::size_t HeaderSize = 18;

struct Tga
{
    unsigned baseType = 0; // 1 colour-mapped, 2 true colour, 3 grey
    bool rle = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned depth = 0;
    unsigned pixelBytes = 0;
    bool topDown = false;
    bool rightToLeft = false;
    bool alpha = false;
    std::size_t dataStart = 0;
    std::uint32_t palette[256] = {};
};

bool IsColorMapDepth(unsigned bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// TGA has no magic number; its signature is a colour-map flag and an image
// type that the format defines.
bool Matches(const unsigned char* d, std::size_t size)
{
    if (size < 3 || d[1] > 1)
        return false;
    const unsigned type = d[2];
    return (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
}

std::uint32_t ColorFromBytes(const unsigned char* p, unsigned bits)
{
    switch (bits) {
    case 15:
    case 16: {
        const unsigned v = LoadLe16(p);
        const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return Argb(bits == 16 && !(v & 0x8000) ? 0 : 255, (r << 3) | (r >> 2), (g << 3) | (g >> 2),
                    (b << 3) | (b >> 2));
    }
    case 24:
        return Argb(255, p[2], p[1], p[0]);
    default:
        return Argb(p[3], p[2], p[1], p[0]);
    }
}

// With no magic number, every header field must hold a value the format
// defines.
bool Parse(const unsigned char* data, std::size_t size, Tga& tga, std::string& reason)
{
    if (size < HeaderSize)
        return Fail(reason, "the TGA header is cut short");
    ByteReader in(data, size);
    const unsigned idLength = in.u8(), mapType = in.u8(), type = in.u8();
    const unsigned mapFirst = in.le16(), mapLength = in.le16(), mapBits = in.u8();
    in.skip(4); // origin
    tga.width = in.le16();
    tga.height = in.le16();
    tga.depth = in.u8();
    const unsigned descriptor = in.u8();
    tga.rle = type >= 9;
    tga.baseType = tga.rle ? type - 8 : type;
    bool supported = Matches(data, size) && (descriptor & 0xC0) == 0 &&
                     (mapType == 0 || IsColorMapDepth(mapBits));
    if (tga.baseType == 1)
        supported = supported && mapType == 1 && tga.depth == 8;
    else if (tga.baseType == 2)
        supported =
            supported && (tga.depth == 15 || tga.depth == 16 || tga.depth == 24 || tga.depth == 32);
    else
        supported = supported && tga.depth == 8;
    if (!supported)
        return Fail(reason, "unsupported TGA image type or depth");
    if (!CheckDimensions(tga.width, tga.height, reason))
        return false;

    // Colour map (also present, and skipped, in true-colour files).
    in.skip(idLength);
    if (mapType == 1) {
        const unsigned entryBytes = (mapBits + 7) / 8;
        const unsigned char* map = in.bytes(std::uint64_t(mapLength) * entryBytes);
        if (!map)
            return Fail(reason, "the TGA colour map is cut short");
        if (tga.baseType == 1)
            for (unsigned i = 0; i < mapLength && mapFirst + i < 256; ++i)
                tga.palette[mapFirst + i] =
                    ColorFromBytes(map + i * entryBytes, mapBits) | 0xFF000000u;
    }
    if (!in.ok())
        return Fail(reason, "the TGA image data is cut short");
    tga.dataStart = in.pos();

    tga.pixelBytes = (tga.depth + 7) / 8;
    const std::uint64_t count = std::uint64_t(tga.width) * tga.height;
    const std::size_t available = in.remaining();
    // A run-length packet of 1 + pixelBytes bytes yields at most 128 pixels.
    if (tga.rle ? (available / (1 + tga.pixelBytes) + 1) * 128 < count
                : count * tga.pixelBytes > available)
        return Fail(reason, "the TGA image data is cut short");
    tga.topDown = descriptor & 0x20;
    tga.rightToLeft = descriptor & 0x10;
    tga.alpha = tga.depth == 32 || (tga.depth == 16 && (descriptor & 0x0F) != 0);
    return true;
}

PictureInfo Describe(const Tga& tga)
{
    return {tga.width, tga.height, tga.alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24,
            tga.topDown ? RowOrder::TopDown : RowOrder::BottomUp};
}

// Puts pixels in file order: rows in the declared order, each left to right
// or right to left.
class PixelWriter
{
public:
    PixelWriter(const Tga& tga, RowWriter& rows) : tga_(tga), rows_(rows) {}

    void put(const unsigned char* p)
    {
        if (x_ == 0)
            row_ = rows_.next();
        std::uint32_t c;
        if (tga_.baseType == 1)
            c = tga_.palette[*p];
        else if (tga_.baseType == 3)
            c = Argb(255, *p, *p, *p);
        else
            c = ColorFromBytes(p, tga_.depth);
        PutColor(row_, rows_.picture().layout, tga_.rightToLeft ? tga_.width - 1 - x_ : x_, c);
        if (++x_ == tga_.width)
            x_ = 0;
    }

private:
    const Tga& tga_;
    RowWriter& rows_;
    unsigned char* row_ = nullptr;
    std::uint32_t x_ = 0;
};

bool DecodeRle(const Tga& tga, ByteReader in, PixelWriter& out, std::string& reason)
{
    const std::uint64_t count = std::uint64_t(tga.width) * tga.height;
    for (std::uint64_t i = 0; i < count;) {
        const unsigned header = in.u8();
        if (!in.ok())
            return Fail(reason, "the TGA image data is cut short");
        const std::uint64_t n = (header & 0x7F) + 1;
        if (n > count - i)
            return Fail(reason, "a TGA run passes the end of the image");
        const unsigned char* p = in.bytes((header & 0x80) ? tga.pixelBytes : n * tga.pixelBytes);
        if (!p)
            return Fail(reason, "the TGA image data is cut short");
        for (std::uint64_t k = 0; k < n; ++k, ++i)
            out.put((header & 0x80) ? p : p + k * tga.pixelBytes);
    }
    return true;
}

bool Decode(const unsigned char* data, std::size_t size, const Tga& tga, RowSink& sink,
            DecodeWork& work, std::string& reason)
{
    RowWriter rows(sink, work);
    if (!rows.begin(Describe(tga), reason))
        return false;
    PixelWriter out(tga, rows);
    ByteReader in(data, size, tga.dataStart);
    if (tga.rle) {
        if (!DecodeRle(tga, in, out, reason))
            return false;
    } else {
        const unsigned char* p = in.bytes(std::uint64_t(tga.width) * tga.height * tga.pixelBytes);
        for (std::uint64_t i = 0, n = std::uint64_t(tga.width) * tga.height; i < n; ++i)
            out.put(p + i * tga.pixelBytes);
    }
    rows.finish();
    return true;
}

} // namespace

extern const Codec TgaCodec = {Matches, OpenMapped<Tga, Parse, Describe, Decode>};

} // namespace imagedecode
