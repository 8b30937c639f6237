// ZSoft PCX: 8 bits with a 256-colour palette at the end of the file, 24 bits
// as three 8-bit planes, 16 colours as one 4-bit plane or four 1-bit planes,
// and black and white. Scan lines are run-length compressed.
#include "decode_common.h"

#include <vector>

namespace imageload {

using namespace detail;

bool DecodePcx(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    constexpr std::size_t HeaderSize = 128;
    if (size < HeaderSize)
        return Fail(reason, "the PCX header is cut short");
    if (data[0] != 0x0A)
        return Fail(reason, "not a PCX file");
    const unsigned encoding = data[2], bits = data[3], planes = data[65];
    const std::int64_t width = std::int64_t(Le16(data + 8)) - Le16(data + 4) + 1;
    const std::int64_t height = std::int64_t(Le16(data + 10)) - Le16(data + 6) + 1;
    const std::uint64_t bytesPerLine = Le16(data + 66);
    if (encoding > 1)
        return Fail(reason, "unsupported PCX encoding");
    if (width <= 0 || height <= 0)
        return Fail(reason, "the PCX image has no pixels");
    if (!CheckDimensions(std::uint64_t(width), std::uint64_t(height), reason))
        return false;

    const bool mono = bits == 1 && planes == 1;
    const bool planar16 = bits == 1 && planes == 4;
    const bool packed16 = bits == 4 && planes == 1;
    const bool indexed = bits == 8 && planes == 1;
    const bool rgb = bits == 8 && planes == 3;
    if (!(mono || planar16 || packed16 || indexed || rgb))
        return Fail(reason, "unsupported PCX bit depth");
    const std::uint64_t w = std::uint64_t(width), h = std::uint64_t(height);
    if (bytesPerLine * 8 < w * bits)
        return Fail(reason, "the PCX scan lines are too short for the width");

    // Palette: 16 colours in the header, or 256 in the last 768 bytes
    // (normally preceded by the byte 12, which some writers leave out).
    std::uint32_t palette[256] = {};
    std::size_t dataEnd = size;
    if (indexed) {
        if (size < HeaderSize + 768)
            return Fail(reason, "the PCX palette is missing");
        dataEnd = size - 768;
        for (int i = 0; i < 256; ++i) {
            const unsigned char* p = data + dataEnd + 3 * i;
            palette[i] = Argb(255, p[0], p[1], p[2]);
        }
    } else if (planar16 || packed16) {
        for (int i = 0; i < 16; ++i) {
            const unsigned char* p = data + 16 + 3 * i;
            palette[i] = Argb(255, p[0], p[1], p[2]);
        }
    }

    // Every byte of the compressed data yields at most 63 bytes of scan line.
    const std::uint64_t lineBytes = bytesPerLine * planes;
    const std::uint64_t compressed = dataEnd - HeaderSize;
    if ((encoding ? compressed * 63 : compressed) < lineBytes * h)
        return Fail(reason, "the PCX image data is cut short");
    if (!AllocateImage(image, w, h, PixelLayout::Rgb24, reason))
        return false;

    std::vector<unsigned char> line(static_cast<std::size_t>(lineBytes));
    std::size_t pos = HeaderSize;
    unsigned runLength = 0, runValue = 0; // a run may carry over into the next line
    for (std::uint64_t y = 0; y < h; ++y) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (runLength == 0) {
                if (pos >= dataEnd)
                    return Fail(reason, "the PCX image data is cut short");
                const unsigned b = data[pos++];
                if (encoding && (b & 0xC0) == 0xC0) {
                    if (pos >= dataEnd)
                        return Fail(reason, "the PCX image data is cut short");
                    runLength = b & 0x3F;
                    runValue = data[pos++];
                    if (runLength == 0) {
                        --i;
                        continue;
                    }
                } else {
                    runLength = 1;
                    runValue = b;
                }
            }
            line[i] = static_cast<unsigned char>(runValue);
            --runLength;
        }

        const unsigned char* l = line.data();
        const std::size_t bpl = static_cast<std::size_t>(bytesPerLine);
        for (std::uint64_t x = 0; x < w; ++x) {
            const std::size_t bit = 7 - x % 8;
            if (rgb) {
                PutRgb(image, x, y, l[x], l[bpl + x], l[2 * bpl + x]);
            } else if (indexed) {
                PutColor(image, x, y, palette[l[x]]);
            } else if (packed16) {
                PutColor(image, x, y, palette[(l[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F]);
            } else if (planar16) {
                unsigned index = 0;
                for (unsigned p = 0; p < 4; ++p)
                    index |= ((l[p * bpl + x / 8] >> bit) & 1u) << p;
                PutColor(image, x, y, palette[index]);
            } else {
                const bool on = (l[x / 8] >> bit) & 1u;
                PutRgb(image, x, y, on ? 255 : 0, on ? 255 : 0, on ? 255 : 0);
            }
        }
    }
    return true;
}

} // namespace imageload
