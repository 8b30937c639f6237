// SGI images (.rgb, .rgba, .bw, .sgi): one to four 8-bit channels (grey, grey
// and alpha, RGB, RGBA), verbatim or run-length compressed, rows bottom-up.
#include "byte_reader.h"
#include "decoder.h"

#include <vector>

namespace imagedecode {

namespace {

constexpr std::size_t HeaderSize = 512;

struct Sgi
{
    bool rle = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned channels = 0;
    const unsigned char* starts = nullptr;  // RLE: big-endian offset of each row,
    const unsigned char* lengths = nullptr; // and its length

    bool alpha() const { return channels == 2 || channels == 4; }
    std::uint64_t rows() const { return std::uint64_t(height) * channels; }
};

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 2 && d[0] == 0x01 && d[1] == 0xDA;
}

std::uint32_t TableEntry(const unsigned char* table, std::uint64_t r)
{
    ByteReader in(table + 4 * r, 4);
    return in.be32();
}

bool Parse(const unsigned char* data, std::size_t size, Sgi& sgi, std::string& reason)
{
    if (size < HeaderSize)
        return Fail(reason, "the SGI header is cut short");
    if (!Matches(data, size))
        return Fail(reason, "not an SGI image");
    ByteReader in(data, size, 2);
    const unsigned storage = in.u8(), bytesPerChannel = in.u8();
    const unsigned dimension = in.be16();
    sgi.width = in.be16();
    sgi.height = in.be16();
    sgi.channels = in.be16();
    in.skip(92);
    const std::uint32_t colormap = in.be32();
    if (storage > 1 || bytesPerChannel != 1 || colormap != 0)
        return Fail(reason, "unsupported SGI storage, depth or colour map");
    if (dimension < 1 || dimension > 3)
        return Fail(reason, "unsupported SGI dimension");
    if (dimension == 1)
        sgi.height = 1;
    if (dimension < 3)
        sgi.channels = 1;
    if (sgi.channels < 1 || sgi.channels > 4)
        return Fail(reason, "unsupported SGI channel count");
    if (!CheckDimensions(sgi.width, sgi.height, reason))
        return false;

    sgi.rle = storage == 1;
    const std::uint64_t rows = sgi.rows();
    if (!sgi.rle) {
        if (rows * sgi.width > size - HeaderSize)
            return Fail(reason, "the SGI image data is cut short");
        return true;
    }
    // Tables of row offsets and lengths, then rows that each yield at most
    // 127 bytes per byte pair.
    ByteReader tables(data, size, HeaderSize);
    sgi.starts = tables.bytes(rows * 4);
    sgi.lengths = tables.bytes(rows * 4);
    if (!tables.ok())
        return Fail(reason, "the SGI image data is cut short");
    for (std::uint64_t r = 0; r < rows; ++r) {
        const std::uint64_t start = TableEntry(sgi.starts, r);
        const std::uint64_t length = TableEntry(sgi.lengths, r);
        if (start > size || length > size - start)
            return Fail(reason, "an SGI row lies outside the file");
        if (length * 127 < sgi.width)
            return Fail(reason, "an SGI row is too short");
    }
    return true;
}

PictureInfo Describe(const Sgi& sgi)
{
    return {sgi.width, sgi.height, sgi.alpha() ? PixelLayout::Argb32 : PixelLayout::Rgb24,
            RowOrder::BottomUp};
}

// Unpacks one run-length row of exactly `width` bytes.
bool UnpackRow(ByteReader in, unsigned char* out, std::size_t width)
{
    std::size_t n = 0;
    while (in.remaining() > 0) {
        const unsigned header = in.u8();
        const std::size_t count = header & 0x7F;
        if (count == 0)
            break;
        if (count > width - n)
            return false;
        if (header & 0x80) {
            const unsigned char* literal = in.bytes(count);
            if (!literal)
                return false;
            std::memcpy(out + n, literal, count);
        } else {
            const unsigned char value = in.u8();
            if (!in.ok())
                return false;
            std::memset(out + n, value, count);
        }
        n += count;
    }
    return n == width;
}

// Row y (counted from the bottom) of channel c, each channel a whole plane
// after the other.
bool ReadChannelRow(const Sgi& sgi, const unsigned char* data, std::size_t size, unsigned c,
                    std::uint64_t y, unsigned char* out)
{
    const std::uint64_t r = c * std::uint64_t(sgi.height) + y;
    if (!sgi.rle) {
        ByteReader in(data, size, HeaderSize + r * sgi.width);
        const unsigned char* row = in.bytes(sgi.width);
        if (row)
            std::memcpy(out, row, sgi.width);
        return row != nullptr;
    }
    const std::uint64_t start = TableEntry(sgi.starts, r);
    return UnpackRow(ByteReader(data, start + TableEntry(sgi.lengths, r), start), out, sgi.width);
}

bool Decode(const unsigned char* data, std::size_t size, const Sgi& sgi, RowSink& sink,
            DecodeWork& work, std::string& reason)
{
    const PictureInfo picture = Describe(sgi);
    const PixelLayout layout = picture.layout;
    RowWriter rows(sink, work);
    if (!rows.begin(picture, reason))
        return false;
    const std::size_t w = sgi.width;
    const bool grey = sgi.channels < 3;
    std::vector<unsigned char> planes(w * sgi.channels); // one row of each channel
    for (std::uint32_t y = 0; y < sgi.height; ++y) {
        for (unsigned c = 0; c < sgi.channels; ++c)
            if (!ReadChannelRow(sgi, data, size, c, y, planes.data() + c * w))
                return Fail(reason, "the SGI image data is damaged");
        unsigned char* out = rows.next();
        for (std::size_t x = 0; x < w; ++x) {
            const unsigned char* p = planes.data() + x;
            const unsigned r = p[0], g = grey ? r : p[w], b = grey ? r : p[2 * w];
            if (layout == PixelLayout::Rgb24)
                PutRgb(out, x, r, g, b);
            else
                PutArgb(out, x, Argb(p[(sgi.channels - 1) * w], r, g, b));
        }
    }
    rows.finish();
    return true;
}

} // namespace

extern const Codec SgiCodec = {Matches, OpenMapped<Sgi, Parse, Describe, Decode>};

} // namespace imagedecode
