// Photoshop documents: the merged picture of an 8-bit RGB or greyscale
// document, raw or PackBits compressed, with its first extra channel as
// alpha.
#include "decode_common.h"

#include <vector>

namespace imageload {

using namespace detail;

namespace {

// Unpacks one PackBits row of exactly `width` bytes from [src, end).
bool UnpackRow(const unsigned char* src, const unsigned char* end, unsigned char* out,
               std::size_t width)
{
    std::size_t n = 0;
    while (n < width) {
        if (src >= end)
            return false;
        const int header = static_cast<signed char>(*src++);
        if (header >= 0) {
            const std::size_t count = std::size_t(header) + 1;
            if (count > std::size_t(end - src) || count > width - n)
                return false;
            std::memcpy(out + n, src, count);
            src += count;
            n += count;
        } else if (header != -128) {
            const std::size_t count = std::size_t(1 - header);
            if (src >= end || count > width - n)
                return false;
            std::memset(out + n, *src++, count);
            n += count;
        }
    }
    return true;
}

} // namespace

bool DecodePsd(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    ByteReader in(data, size);
    if (in.be32() != 0x38425053)
        return Fail(reason, "not a PSD file");
    const unsigned version = in.be16();
    in.skip(6);
    const unsigned channels = in.be16();
    const std::uint32_t height = in.be32(), width = in.be32();
    const unsigned depth = in.be16(), mode = in.be16();
    if (!in.ok())
        return Fail(reason, "the PSD header is cut short");
    if (version != 1)
        return Fail(reason, "unsupported PSD version");
    if (depth != 8 || (mode != 1 && mode != 3))
        return Fail(reason, "unsupported PSD colour mode or depth");
    const unsigned colours = mode == 3 ? 3 : 1;
    if (channels < colours || channels > 56)
        return Fail(reason, "unsupported PSD channel count");
    if (!CheckDimensions(width, height, reason))
        return false;
    // Colour mode data, image resources, layers: skipped.
    for (int section = 0; section < 3; ++section)
        in.skip(in.be32());
    const unsigned compression = in.be16();
    if (!in.ok())
        return Fail(reason, "the PSD file is cut short");
    if (compression > 1)
        return Fail(reason, "unsupported PSD compression");

    const std::uint64_t w = width, h = height;
    const unsigned used = channels > colours ? colours + 1 : colours;
    const unsigned char* planes = in.here();
    const std::size_t available = in.remaining();
    std::vector<std::uint64_t> rowStart; // compressed: offset of each row of the used channels
    if (compression == 0) {
        if (w * h * used > available)
            return Fail(reason, "the PSD image data is cut short");
    } else {
        // A table of compressed row lengths for every row of every channel.
        const std::uint64_t rows = h * channels;
        if (rows * 2 > available)
            return Fail(reason, "the PSD image data is cut short");
        std::uint64_t offset = rows * 2;
        rowStart.resize(static_cast<std::size_t>(h * used + 1));
        for (std::uint64_t r = 0; r < h * used; ++r) {
            rowStart[r] = offset;
            offset += Be16(planes + 2 * r);
        }
        rowStart[h * used] = offset;
        if (offset > available)
            return Fail(reason, "the PSD image data is cut short");
    }
    const PixelLayout layout = used > colours ? PixelLayout::Argb32 : PixelLayout::Rgb24;
    if (!AllocateImage(image, w, h, layout, reason))
        return false;

    std::vector<unsigned char> row(static_cast<std::size_t>(w * used));
    for (std::uint64_t y = 0; y < h; ++y) {
        for (unsigned c = 0; c < used; ++c) {
            unsigned char* out = row.data() + c * w;
            if (compression == 0) {
                std::memcpy(out, planes + (c * h + y) * w, static_cast<std::size_t>(w));
            } else {
                const std::uint64_t r = c * h + y;
                if (!UnpackRow(planes + rowStart[r], planes + rowStart[r + 1], out,
                               static_cast<std::size_t>(w)))
                    return Fail(reason, "the PSD image data is damaged");
            }
        }
        for (std::uint64_t x = 0; x < w; ++x) {
            const unsigned char* p = row.data() + x;
            const unsigned r = p[0], g = colours == 3 ? p[w] : r, b = colours == 3 ? p[2 * w] : r;
            if (layout == PixelLayout::Rgb24)
                PutRgb(image, x, y, r, g, b);
            else
                PutArgb(image, x, y, Argb(p[colours * w], r, g, b));
        }
    }
    return true;
}

} // namespace imageload
