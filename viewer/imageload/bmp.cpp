// Windows bitmaps: 1, 4 and 8 bits with a palette (8 and 4 also RLE
// compressed), 16 bits (5-5-5 or bit fields), 24 and 32 bits; rows bottom-up
// (positive height) or top-down (negative height).
#include "decode_common.h"

namespace imageload {

using namespace detail;

namespace {

enum Compression : std::uint32_t
{
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitfields = 3
};

// One colour channel described by a bit mask: where it sits and how wide it is.
struct Channel
{
    std::uint32_t mask = 0;
    unsigned shift = 0;
    unsigned bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (!m)
            return;
        while (!(m & 1u)) {
            m >>= 1;
            ++shift;
        }
        while (m & 1u) {
            m >>= 1;
            ++bits;
        }
    }
    bool contiguous() const { return mask == 0 || (mask >> shift) == ((1ull << bits) - 1); }

    std::uint32_t extract(std::uint32_t value, std::uint32_t absent) const
    {
        if (!mask)
            return absent;
        std::uint32_t v = (value & mask) >> shift;
        if (bits >= 8)
            return v >> (bits - 8);
        // Widen to eight bits by repeating the high bits.
        std::uint32_t out = 0;
        unsigned filled = 0;
        while (filled < 8) {
            out = (out << bits) | v;
            filled += bits;
        }
        return (out >> (filled - 8)) & 0xFF;
    }
};

} // namespace

bool DecodeBmp(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    ByteReader in(data, size);
    if (in.u8() != 'B' || in.u8() != 'M')
        return Fail(reason, "not a BMP file");
    in.skip(8);
    const std::uint32_t dataOffset = in.le32();
    const std::uint32_t infoSize = in.le32();
    if (!in.ok())
        return Fail(reason, "the BMP header is cut short");
    // Windows 3 header (40 bytes) and its successors (52, 56, 108 and 124
    // bytes), which only add fields after the first 40 bytes.
    if ((infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 &&
         infoSize != 124) ||
        14 + std::uint64_t(infoSize) > size)
        return Fail(reason, "unsupported or damaged BMP header");
    const std::int64_t width = static_cast<std::int32_t>(in.le32());
    const std::int64_t rawHeight = static_cast<std::int32_t>(in.le32());
    in.le16(); // planes
    const unsigned bpp = in.le16();
    const std::uint32_t compression = in.le32();
    in.le32(); // image size
    in.le32(); // resolution
    in.le32();
    std::uint32_t colorsUsed = in.le32();
    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0)
        return Fail(reason, "the BMP image has no pixels");
    if (!CheckDimensions(std::uint64_t(width), std::uint64_t(height), reason))
        return false;

    const bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
    bool supported = false;
    switch (compression) {
    case BiRgb:
        supported = paletted || bpp == 16 || bpp == 24 || bpp == 32;
        break;
    case BiRle8:
        supported = bpp == 8;
        break;
    case BiRle4:
        supported = bpp == 4;
        break;
    case BiBitfields:
        supported = bpp == 16 || bpp == 32;
        break;
    default:
        break;
    }
    if (!supported)
        return Fail(reason, "unsupported BMP bit depth or compression");

    // Bit masks of 16- and 32-bit pictures.
    Channel red, green, blue, alpha;
    std::size_t afterHeader = 14 + std::size_t(infoSize);
    if (compression == BiBitfields) {
        // Three masks after a 40-byte header, inside the longer headers.
        const std::size_t maskPos = 54;
        if (infoSize == 40)
            afterHeader += 12;
        if (afterHeader > size)
            return Fail(reason, "the BMP colour masks are cut short");
        red = Channel(Le32(data + maskPos));
        green = Channel(Le32(data + maskPos + 4));
        blue = Channel(Le32(data + maskPos + 8));
        if (infoSize >= 56)
            alpha = Channel(Le32(data + maskPos + 12));
        if (!red.contiguous() || !green.contiguous() || !blue.contiguous() || !alpha.contiguous())
            return Fail(reason, "unsupported BMP colour masks");
    } else if (bpp == 16) {
        red = Channel(0x7C00);
        green = Channel(0x03E0);
        blue = Channel(0x001F);
    }

    // Palette: four bytes (blue, green, red, unused) per colour, right after
    // the header; indices past its end are black.
    std::uint32_t palette[256] = {};
    if (paletted) {
        const std::uint32_t maxColors = 1u << bpp;
        if (colorsUsed == 0 || colorsUsed > maxColors)
            colorsUsed = maxColors;
        const std::uint64_t paletteEnd = afterHeader + std::uint64_t(colorsUsed) * 4;
        if (paletteEnd > size)
            return Fail(reason, "the BMP palette is cut short");
        for (std::uint32_t i = 0; i < colorsUsed; ++i) {
            const unsigned char* p = data + afterHeader + 4 * i;
            palette[i] = Argb(255, p[2], p[1], p[0]);
        }
    }

    if (dataOffset >= size)
        return Fail(reason, "the BMP pixel data lies outside the file");
    const unsigned char* pixels = data + dataOffset;
    const std::size_t available = size - dataOffset;
    const std::uint64_t w = std::uint64_t(width), h = std::uint64_t(height);

    const PixelLayout layout = bpp == 32 ? PixelLayout::Argb32 : PixelLayout::Rgb24;
    if (compression == BiRle8 || compression == BiRle4) {
        // Run-length data: start from colour 0 everywhere, then follow the
        // runs, clipping anything that falls outside the picture.
        if (!AllocateImage(image, w, h, layout, reason))
            return false;
        for (std::uint64_t y = 0; y < h; ++y)
            for (std::uint64_t x = 0; x < w; ++x)
                PutColor(image, x, y, palette[0]);
        auto put = [&](std::uint64_t x, std::uint64_t row, unsigned index) {
            if (x < w && row < h)
                PutColor(image, x, topDown ? row : h - 1 - row, palette[index]);
        };
        const bool four = compression == BiRle4;
        std::uint64_t x = 0, row = 0;
        std::size_t pos = 0;
        while (row < h) {
            if (available - pos < 2)
                return Fail(reason, "the BMP run-length data is cut short");
            const unsigned count = pixels[pos], value = pixels[pos + 1];
            pos += 2;
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i, ++x)
                    put(x, row, four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            } else if (value == 0) {
                x = 0;
                ++row;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (available - pos < 2)
                    return Fail(reason, "the BMP run-length data is cut short");
                x += pixels[pos];
                row += pixels[pos + 1];
                pos += 2;
            } else {
                // Literal run of `value` pixels, padded to an even byte count.
                const std::size_t bytes = four ? (value + 1) / 2 : value;
                const std::size_t padded = bytes + (bytes & 1);
                if (available - pos < bytes)
                    return Fail(reason, "the BMP run-length data is cut short");
                for (unsigned i = 0; i < value; ++i, ++x) {
                    const unsigned b = pixels[pos + (four ? i / 2 : i)];
                    put(x, row, four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
                }
                pos += padded <= available - pos ? padded : available - pos;
            }
        }
        return true;
    }

    // Uncompressed rows, each padded to a multiple of four bytes; the last
    // row may lack its padding.
    const std::uint64_t rowBytes = (w * bpp + 7) / 8;
    const std::uint64_t stride = (w * bpp + 31) / 32 * 4;
    if (stride * (h - 1) + rowBytes > available)
        return Fail(reason, "the BMP pixel data is cut short");
    if (!AllocateImage(image, w, h, layout, reason))
        return false;
    for (std::uint64_t row = 0; row < h; ++row) {
        const unsigned char* src = pixels + row * stride;
        const std::uint64_t y = topDown ? row : h - 1 - row;
        for (std::uint64_t x = 0; x < w; ++x) {
            switch (bpp) {
            case 1:
                PutColor(image, x, y, palette[(src[x / 8] >> (7 - x % 8)) & 1]);
                break;
            case 4:
                PutColor(image, x, y, palette[(src[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F]);
                break;
            case 8:
                PutColor(image, x, y, palette[src[x]]);
                break;
            case 16: {
                const std::uint32_t v = Le16(src + 2 * x);
                PutRgb(image, x, y, red.extract(v, 0), green.extract(v, 0), blue.extract(v, 0));
                break;
            }
            case 24: {
                const unsigned char* p = src + 3 * x;
                PutRgb(image, x, y, p[2], p[1], p[0]);
                break;
            }
            default: {
                const std::uint32_t v = Le32(src + 4 * x);
                if (compression == BiRgb)
                    PutArgb(image, x, y, v);
                else
                    PutArgb(image, x, y,
                            Argb(alpha.extract(v, 255), red.extract(v, 0), green.extract(v, 0),
                                 blue.extract(v, 0)));
                break;
            }
            }
        }
    }
    return true;
}

} // namespace imageload
