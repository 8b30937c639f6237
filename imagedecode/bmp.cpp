// Windows bitmaps: 1, 4 and 8 bits with a palette (8 and 4 also RLE
// compressed), 16 bits (5-5-5 or bit fields), 24 and 32 bits; rows bottom-up
// (positive height) or top-down (negative height).
#include "byte_reader.h"
#include "decoder.h"

#include <algorithm>

namespace imagedecode {

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

// Everything the headers say, checked.
struct Bitmap
{
    std::uint32_t dataOffset = 0;
    std::uint32_t infoSize = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    bool topDown = false;
    unsigned bpp = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::size_t afterHeader = 0; // where the masks of a 40-byte header, or the palette, start
    Channel red, green, blue, alpha;
    std::uint32_t palette[256] = {}; // indices past its end are black
    ProfileInFile profile;           // embedded in a V5 header

    bool paletted() const { return bpp == 1 || bpp == 4 || bpp == 8; }
    bool rle() const { return compression == BiRle8 || compression == BiRle4; }
    PixelLayout layout() const { return bpp == 32 ? PixelLayout::Argb32 : PixelLayout::Rgb24; }
};

bool Matches(const unsigned char* data, std::size_t size)
{
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

// The file header and the info header: size, depth and compression.
bool ReadHeaders(const unsigned char* data, std::size_t size, Bitmap& b, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a BMP file");
    ByteReader in(data, size, 10);
    b.dataOffset = in.le32();
    b.infoSize = in.le32();
    if (!in.ok())
        return Fail(reason, "the BMP header is cut short");
    // Windows 3 header (40 bytes) and its successors (52, 56, 108 and 124
    // bytes), which only add fields after the first 40 bytes.
    const std::uint32_t info = b.infoSize;
    if ((info != 40 && info != 52 && info != 56 && info != 108 && info != 124) ||
        14 + std::uint64_t(info) > size)
        return Fail(reason, "unsupported or damaged BMP header");
    const std::int64_t width = static_cast<std::int32_t>(in.le32());
    const std::int64_t rawHeight = static_cast<std::int32_t>(in.le32());
    in.le16(); // planes
    b.bpp = in.le16();
    b.compression = in.le32();
    in.skip(12); // image size, resolution
    b.colorsUsed = in.le32();
    b.topDown = rawHeight < 0;
    const std::int64_t height = b.topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0)
        return Fail(reason, "the BMP image has no pixels");
    if (!CheckDimensions(std::uint64_t(width), std::uint64_t(height), reason))
        return false;
    b.width = std::uint64_t(width);
    b.height = std::uint64_t(height);
    b.afterHeader = 14 + std::size_t(info);

    bool supported = false;
    switch (b.compression) {
    case BiRgb:
        supported = b.paletted() || b.bpp == 16 || b.bpp == 24 || b.bpp == 32;
        break;
    case BiRle8:
        supported = b.bpp == 8;
        break;
    case BiRle4:
        supported = b.bpp == 4;
        break;
    case BiBitfields:
        supported = b.bpp == 16 || b.bpp == 32;
        break;
    default:
        break;
    }
    if (!supported)
        return Fail(reason, "unsupported BMP bit depth or compression");
    return true;
}

// Bit masks of 16- and 32-bit pictures: three after a 40-byte header,
// inside the longer headers (which also hold an alpha mask from 56 bytes on).
// Without bit fields the colours have fixed places, and a 32-bit picture has
// alpha only where a header's alpha mask says so: else it is opaque.
bool ReadMasks(const unsigned char* data, std::size_t size, Bitmap& b, std::string& reason)
{
    if (b.compression != BiBitfields) {
        if (b.bpp == 16) {
            b.red = Channel(0x7C00);
            b.green = Channel(0x03E0);
            b.blue = Channel(0x001F);
        } else if (b.bpp == 32) {
            b.red = Channel(0x00FF0000);
            b.green = Channel(0x0000FF00);
            b.blue = Channel(0x000000FF);
            if (b.infoSize >= 56)
                b.alpha = Channel(ByteReader(data, size, 66).le32());
            if (!b.alpha.contiguous())
                return Fail(reason, "unsupported BMP colour masks");
        }
        return true;
    }
    if (b.infoSize == 40)
        b.afterHeader += 12;
    if (b.afterHeader > size)
        return Fail(reason, "the BMP colour masks are cut short");
    ByteReader in(data, size, 54);
    b.red = Channel(in.le32());
    b.green = Channel(in.le32());
    b.blue = Channel(in.le32());
    if (b.infoSize >= 56)
        b.alpha = Channel(in.le32());
    if (!b.red.contiguous() || !b.green.contiguous() || !b.blue.contiguous() ||
        !b.alpha.contiguous())
        return Fail(reason, "unsupported BMP colour masks");
    return true;
}

// A V5 header's colour space: a profile embedded in the file, at an offset
// from the header's start; a linked one (a file name) is not followed.
bool ReadProfile(const unsigned char* data, std::size_t size, Bitmap& b, std::string&)
{
    constexpr std::uint32_t Embedded = 0x4D424544; // 'MBED'
    if (b.infoSize < 124 || ByteReader(data, size, 14 + 56).le32() != Embedded)
        return true;
    ByteReader in(data, size, 14 + 112);
    const std::uint64_t offset = 14 + std::uint64_t(in.le32());
    const std::uint64_t length = in.le32();
    b.profile.found = true;
    if (!ProfileTooLarge(length, b.profile.problem) &&
        (length == 0 || offset > size || length > size - offset))
        b.profile.problem = "the colour profile lies outside the file";
    if (!b.profile.problem.empty())
        return true;
    b.profile.data = data + offset;
    b.profile.size = static_cast<std::size_t>(length);
    return true;
}

IccProfile ProfileOf(const Bitmap& b)
{
    return b.profile.take();
}

// Four bytes (blue, green, red, unused) per colour, right after the header.
bool ReadPalette(const unsigned char* data, std::size_t size, Bitmap& b, std::string& reason)
{
    if (!b.paletted())
        return true;
    const std::uint32_t maxColors = 1u << b.bpp;
    const std::uint32_t colors =
        b.colorsUsed == 0 || b.colorsUsed > maxColors ? maxColors : b.colorsUsed;
    ByteReader in(data, size, b.afterHeader);
    const unsigned char* entries = in.bytes(std::uint64_t(colors) * 4);
    if (!entries)
        return Fail(reason, "the BMP palette is cut short");
    for (std::uint32_t i = 0; i < colors; ++i) {
        const unsigned char* p = entries + 4 * i;
        b.palette[i] = Argb(255, p[2], p[1], p[0]);
    }
    return true;
}

// Uncompressed rows, each padded to a multiple of four bytes; the last row
// may lack its padding.
std::uint64_t RowBytes(const Bitmap& b)
{
    return (b.width * b.bpp + 7) / 8;
}
std::uint64_t Stride(const Bitmap& b)
{
    return (b.width * b.bpp + 31) / 32 * 4;
}

bool Parse(const unsigned char* data, std::size_t size, Bitmap& b, std::string& reason)
{
    if (!ReadHeaders(data, size, b, reason) || !ReadMasks(data, size, b, reason) ||
        !ReadPalette(data, size, b, reason) || !ReadProfile(data, size, b, reason))
        return false;
    if (b.dataOffset >= size)
        return Fail(reason, "the BMP pixel data lies outside the file");
    if (!b.rle() && Stride(b) * (b.height - 1) + RowBytes(b) > size - b.dataOffset)
        return Fail(reason, "the BMP pixel data is cut short");
    return true;
}

PictureInfo Describe(const Bitmap& b)
{
    return {static_cast<std::uint32_t>(b.width), static_cast<std::uint32_t>(b.height), b.layout(),
            b.topDown ? RowOrder::TopDown : RowOrder::BottomUp};
}

void ConvertRow(const Bitmap& b, const unsigned char* src, unsigned char* out)
{
    const std::size_t w = static_cast<std::size_t>(b.width);
    switch (b.bpp) {
    case 1:
        for (std::size_t x = 0; x < w; ++x)
            PutRgb(out, x, b.palette[(src[x / 8] >> (7 - x % 8)) & 1]);
        break;
    case 4:
        for (std::size_t x = 0; x < w; ++x)
            PutRgb(out, x, b.palette[(src[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F]);
        break;
    case 8:
        for (std::size_t x = 0; x < w; ++x)
            PutRgb(out, x, b.palette[src[x]]);
        break;
    case 16:
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t v = LoadLe16(src + 2 * x);
            PutRgb(out, x, b.red.extract(v, 0), b.green.extract(v, 0), b.blue.extract(v, 0));
        }
        break;
    case 24:
        for (std::size_t x = 0; x < w; ++x)
            PutRgb(out, x, src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
    default:
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t v = LoadLe32(src + 4 * x);
            PutArgb(out, x,
                    Argb(b.alpha.extract(v, 255), b.red.extract(v, 0), b.green.extract(v, 0),
                         b.blue.extract(v, 0)));
        }
        break;
    }
}

bool DecodeRows(const Bitmap& b, ByteReader in, RowWriter& rows, std::string& reason)
{
    const std::uint64_t stride = Stride(b);
    for (std::uint64_t row = 0; row < b.height; ++row) {
        const unsigned char* src = in.bytes(row + 1 < b.height ? stride : RowBytes(b));
        if (!src)
            return Fail(reason, "the BMP pixel data is cut short");
        ConvertRow(b, src, rows.next());
    }
    return true;
}

// Writes colour 0 from x up to `end` in a row being painted.
void FillRow(const Bitmap& b, unsigned char* out, std::uint64_t x, std::uint64_t end)
{
    for (; out && x < end; ++x)
        PutRgb(out, static_cast<std::size_t>(x), b.palette[0]);
}

// From the code at `p`, the first code that is not a run (its first byte is
// 0), or the end of the whole codes before `end`: four codes at a time.
const unsigned char* SkipRuns(const unsigned char* p, const unsigned char* end)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // The first byte of each code is the low byte of a 16-bit lane; a lane
    // of value 0 borrows into its top bit when 1 is taken from every lane.
    constexpr std::uint64_t Low = 0x00FF00FF00FF00FFull, One = 0x0001000100010001ull;
    constexpr std::uint64_t Top = 0x8000800080008000ull;
    for (std::uint64_t v; end - p >= 8; p += 8) {
        std::memcpy(&v, p, 8);
        if (((v & Low) - One) & Top)
            break;
    }
#endif
    while (end - p >= 2 && p[0] != 0)
        p += 2;
    return p;
}

// Follows run-length codes until they have described every row (an end of
// bitmap describes the rest); data that ends before refuses the file. With
// `rows` it also paints them: pixels that the codes skip or leave out are
// colour 0, and a row goes to the sink when the codes move past it. Every
// code costs constant work besides the pixels it paints inside the picture:
// runs past a row's end are clipped at once. (The position lives in local
// variables only, which the writes to the rows cannot change.)
bool WalkRle(const Bitmap& b, const unsigned char* data, std::size_t size, RowWriter* rows,
             DecodeWork& work, std::string& reason)
{
    const bool four = b.compression == BiRle4;
    const std::uint64_t width = b.width, height = b.height;
    const unsigned char* p = data + b.dataOffset; // the next code
    const unsigned char* const end = data + size;
    unsigned char* out = rows ? rows->next() : nullptr; // the row being painted
    std::uint64_t x = 0, row = 0, steps = 0;
    while (row < height) {
        if (end - p < 2)
            return Fail(reason, "the BMP run-length data is cut short");
        if (p[0] != 0 && (!rows || x == width)) {
            // Runs that paint nothing: the picture is only followed, or the
            // row is full.
            const unsigned char* next = SkipRuns(p, end);
            steps += std::uint64_t(next - p) / 2;
            p = next;
            continue;
        }
        const unsigned count = p[0], value = p[1];
        p += 2;
        const unsigned char* literal = nullptr;
        if (count == 0 && value > 2) {
            // Literal run of `value` pixels, padded to an even byte count.
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (std::size_t(end - p) < bytes)
                return Fail(reason, "the BMP run-length data is cut short");
            literal = p;
            p += std::min<std::size_t>(bytes + (bytes & 1), std::size_t(end - p));
        }
        if (count > 0 || literal) {
            const unsigned pixels = count > 0 ? count : value;
            const std::uint64_t n = std::min<std::uint64_t>(pixels, width - x);
            for (std::uint64_t i = 0; out && i < n; ++i) {
                const unsigned v = literal ? literal[four ? i / 2 : i] : value;
                PutRgb(out, static_cast<std::size_t>(x + i),
                       b.palette[four ? ((i & 1) ? v & 0x0F : v >> 4) : v]);
            }
            x += n;
            steps += n + 1;
            continue;
        }
        // End of line, end of bitmap or delta: down `rowsDown` rows, then
        // right to `target` (colour 0 all the way).
        std::uint64_t rowsDown = value == 1 ? height : 1, target = 0;
        if (value == 2) {
            if (end - p < 2)
                return Fail(reason, "the BMP run-length data is cut short");
            rowsDown = p[1];
            target = std::min<std::uint64_t>(x + p[0], width);
            p += 2;
        }
        if (rowsDown > 0) {
            if (!rows) {
                row = std::min(row + rowsDown, height);
            }
            for (; rows && rowsDown > 0 && row < height; --rowsDown) {
                FillRow(b, out, x, width);
                steps += width - x;
                ++row;
                out = row < height ? rows->next() : nullptr;
                x = 0;
            }
            x = 0;
        }
        FillRow(b, out, x, target);
        steps += (out ? target - std::min(x, target) : 0) + 1;
        x = std::max(x, target);
    }
    work.runSteps += steps;
    return true;
}

bool Decode(const unsigned char* data, std::size_t size, const Bitmap& b, RowSink& sink,
            DecodeWork& work, std::string& reason)
{
    // Run-length data is followed to its end before the picture is begun, so
    // that a refused file never fills any of it.
    if (b.rle() && !WalkRle(b, data, size, nullptr, work, reason))
        return false;
    RowWriter rows(sink, work);
    if (!rows.begin(Describe(b), reason))
        return false;
    // File rows come in the declared order: the first is the bottom row
    // unless the picture is top-down.
    if (!(b.rle() ? WalkRle(b, data, size, &rows, work, reason)
                  : DecodeRows(b, ByteReader(data, size, b.dataOffset), rows, reason)))
        return false;
    rows.finish();
    return true;
}

} // namespace

extern const Codec BmpCodec = {Matches, OpenMapped<Bitmap, Parse, Describe, Decode, ProfileOf>};

} // namespace imagedecode
