// SGI images (.rgb, .rgba, .bw, .sgi): one to four 8-bit channels (grey, grey
// and alpha, RGB, RGBA), verbatim or run-length compressed, rows bottom-up.
#include "decode_common.h"

#include <vector>

namespace imageload {

using namespace detail;

namespace {

// Unpacks one run-length row of exactly `width` bytes from [src, end).
bool UnpackRow(const unsigned char* src, const unsigned char* end, unsigned char* out,
               std::size_t width)
{
    std::size_t n = 0;
    while (src < end) {
        const unsigned header = *src++;
        const std::size_t count = header & 0x7F;
        if (count == 0)
            break;
        if (count > width - n)
            return false;
        if (header & 0x80) {
            if (count > std::size_t(end - src))
                return false;
            std::memcpy(out + n, src, count);
            src += count;
        } else {
            if (src >= end)
                return false;
            std::memset(out + n, *src++, count);
        }
        n += count;
    }
    return n == width;
}

} // namespace

bool DecodeSgi(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    constexpr std::size_t HeaderSize = 512;
    if (size < HeaderSize)
        return Fail(reason, "the SGI header is cut short");
    if (Be16(data) != 474)
        return Fail(reason, "not an SGI image");
    const unsigned storage = data[2], bytesPerChannel = data[3];
    const unsigned dimension = Be16(data + 4);
    std::uint64_t w = Be16(data + 6), h = Be16(data + 8), channels = Be16(data + 10);
    const std::uint32_t colormap = Be32(data + 104);
    if (storage > 1 || bytesPerChannel != 1 || colormap != 0)
        return Fail(reason, "unsupported SGI storage, depth or colour map");
    if (dimension < 1 || dimension > 3)
        return Fail(reason, "unsupported SGI dimension");
    if (dimension == 1)
        h = 1;
    if (dimension < 3)
        channels = 1;
    if (channels < 1 || channels > 4)
        return Fail(reason, "unsupported SGI channel count");
    if (!CheckDimensions(w, h, reason))
        return false;

    const std::uint64_t rows = h * channels;
    if (storage == 0) {
        if (rows * w > size - HeaderSize)
            return Fail(reason, "the SGI image data is cut short");
    } else {
        // Tables of row offsets and lengths, then rows that each yield at
        // most 127 bytes per byte pair.
        if (rows * 8 > size - HeaderSize)
            return Fail(reason, "the SGI image data is cut short");
        for (std::uint64_t r = 0; r < rows; ++r) {
            const std::uint64_t start = Be32(data + HeaderSize + 4 * r);
            const std::uint64_t length = Be32(data + HeaderSize + 4 * (rows + r));
            if (start > size || length > size - start)
                return Fail(reason, "an SGI row lies outside the file");
            if (length * 127 < w)
                return Fail(reason, "an SGI row is too short");
        }
    }
    const bool alpha = channels == 2 || channels == 4;
    if (!AllocateImage(image, w, h, alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24, reason))
        return false;

    std::vector<unsigned char> row(static_cast<std::size_t>(w * channels));
    for (std::uint64_t y = 0; y < h; ++y) {
        for (std::uint64_t c = 0; c < channels; ++c) {
            unsigned char* out = row.data() + c * w;
            const std::uint64_t r = c * h + y;
            if (storage == 0) {
                std::memcpy(out, data + HeaderSize + r * w, static_cast<std::size_t>(w));
            } else {
                const std::uint64_t start = Be32(data + HeaderSize + 4 * r);
                const std::uint64_t length = Be32(data + HeaderSize + 4 * (rows + r));
                if (!UnpackRow(data + start, data + start + length, out,
                               static_cast<std::size_t>(w)))
                    return Fail(reason, "the SGI image data is damaged");
            }
        }
        const std::uint64_t outY = h - 1 - y;
        for (std::uint64_t x = 0; x < w; ++x) {
            const unsigned char* p = row.data() + x;
            const unsigned grey = channels < 3;
            const unsigned r = p[0], g = grey ? r : p[w], b = grey ? r : p[2 * w];
            if (!alpha)
                PutRgb(image, x, outY, r, g, b);
            else
                PutArgb(image, x, outY, Argb(p[(channels - 1) * w], r, g, b));
        }
    }
    return true;
}

} // namespace imageload
