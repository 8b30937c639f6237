// Truevision TGA: colour-mapped (8-bit indices), true colour (15, 16, 24 and
// 32 bits) and greyscale (8 bits), each raw or run-length compressed, stored
// bottom-up or top-down, left to right or right to left.
#include "decode_common.h"

namespace imageload {

using namespace detail;

namespace {

std::uint32_t ColorFromBytes(const unsigned char* p, unsigned bits)
{
    switch (bits) {
    case 15:
    case 16: {
        const unsigned v = Le16(p);
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

} // namespace

bool DecodeTga(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    constexpr std::size_t HeaderSize = 18;
    if (size < HeaderSize)
        return Fail(reason, "the TGA header is cut short");
    const unsigned idLength = data[0], mapType = data[1], type = data[2];
    const unsigned mapFirst = Le16(data + 3), mapLength = Le16(data + 5), mapBits = data[7];
    const std::uint64_t w = Le16(data + 12), h = Le16(data + 14);
    const unsigned depth = data[16], descriptor = data[17];
    const bool rle = type >= 9;
    const unsigned baseType = rle ? type - 8 : type;

    bool supported = mapType <= 1;
    if (baseType == 1)
        supported = supported && mapType == 1 && depth == 8 &&
                    (mapBits == 15 || mapBits == 16 || mapBits == 24 || mapBits == 32);
    else if (baseType == 2)
        supported = supported && (depth == 15 || depth == 16 || depth == 24 || depth == 32);
    else if (baseType == 3)
        supported = supported && depth == 8;
    else
        supported = false;
    if (type > 11 || !supported)
        return Fail(reason, "unsupported TGA image type or depth");
    if (!CheckDimensions(w, h, reason))
        return false;

    // Colour map (also present, and skipped, in true-colour files).
    std::uint32_t palette[256] = {};
    std::size_t pos = HeaderSize + idLength;
    if (mapType == 1) {
        const unsigned entryBytes = (mapBits + 7) / 8;
        const std::uint64_t mapBytes = std::uint64_t(mapLength) * entryBytes;
        if (pos > size || mapBytes > size - pos)
            return Fail(reason, "the TGA colour map is cut short");
        if (baseType == 1)
            for (unsigned i = 0; i < mapLength && mapFirst + i < 256; ++i)
                palette[mapFirst + i] =
                    ColorFromBytes(data + pos + i * entryBytes, mapBits) | 0xFF000000u;
        pos += static_cast<std::size_t>(mapBytes);
    }
    if (pos > size)
        return Fail(reason, "the TGA image data is cut short");

    const unsigned pixelBytes = (depth + 7) / 8;
    const std::uint64_t count = w * h;
    const std::size_t available = size - pos;
    // A run-length packet of 1 + pixelBytes bytes yields at most 128 pixels.
    if (rle ? (available / (1 + pixelBytes) + 1) * 128 < count : count * pixelBytes > available)
        return Fail(reason, "the TGA image data is cut short");
    const bool alpha = depth == 32 || (depth == 16 && (descriptor & 0x0F) != 0);
    if (!AllocateImage(image, w, h, alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24, reason))
        return false;

    const bool topDown = descriptor & 0x20, rightToLeft = descriptor & 0x10;
    auto store = [&](std::uint64_t index, const unsigned char* p) {
        std::uint64_t x = index % w, y = index / w;
        if (!topDown)
            y = h - 1 - y;
        if (rightToLeft)
            x = w - 1 - x;
        std::uint32_t c;
        if (baseType == 1)
            c = palette[*p];
        else if (baseType == 3)
            c = Argb(255, *p, *p, *p);
        else
            c = ColorFromBytes(p, depth);
        PutColor(image, x, y, c);
    };

    const unsigned char* src = data + pos;
    if (!rle) {
        for (std::uint64_t i = 0; i < count; ++i)
            store(i, src + i * pixelBytes);
        return true;
    }
    std::size_t at = 0;
    std::uint64_t i = 0;
    while (i < count) {
        if (at >= available)
            return Fail(reason, "the TGA image data is cut short");
        const unsigned header = src[at++];
        const std::uint64_t n = (header & 0x7F) + 1;
        if (n > count - i)
            return Fail(reason, "a TGA run passes the end of the image");
        if (header & 0x80) {
            if (pixelBytes > available - at)
                return Fail(reason, "the TGA image data is cut short");
            for (std::uint64_t k = 0; k < n; ++k)
                store(i++, src + at);
            at += pixelBytes;
        } else {
            if (n * pixelBytes > available - at)
                return Fail(reason, "the TGA image data is cut short");
            for (std::uint64_t k = 0; k < n; ++k, at += pixelBytes)
                store(i++, src + at);
        }
    }
    return true;
}

} // namespace imageload
