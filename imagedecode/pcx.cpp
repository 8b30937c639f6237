// ZSoft PCX: 8 bits with a 256-colour palette at the end of the file, 24 bits
// as three 8-bit planes, 16 colours as one 4-bit plane or four 1-bit planes,
// and black and white. Scan lines are run-length compressed.
#include "byte_reader.h"
#include "decoder.h"

#include <algorithm>
#include <vector>

namespace imagedecode {

namespace {

constexpr std::size_t HeaderSize = 128;

struct Pcx
{
    unsigned encoding = 0;
    unsigned bits = 0;
    unsigned planes = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t bytesPerLine = 0;
    std::size_t dataEnd = 0;         // the image data lies from HeaderSize to here
    std::uint32_t palette[256] = {}; // 16 colours from the header or 256 from the end

    bool mono() const { return bits == 1 && planes == 1; }
    bool planar16() const { return bits == 1 && planes == 4; }
    bool packed16() const { return bits == 4 && planes == 1; }
    bool indexed() const { return bits == 8 && planes == 1; }
    bool rgb() const { return bits == 8 && planes == 3; }
};

// A weak signature: one fixed byte, then a version, an encoding and a depth
// in small ranges.
bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 4 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1 &&
           (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8);
}

void ReadColors(const unsigned char* p, unsigned count, std::uint32_t* palette)
{
    for (unsigned i = 0; i < count; ++i, p += 3)
        palette[i] = Argb(255, p[0], p[1], p[2]);
}

bool Parse(const unsigned char* data, std::size_t size, Pcx& pcx, std::string& reason)
{
    if (size < HeaderSize)
        return Fail(reason, "the PCX header is cut short");
    if (!Matches(data, size))
        return Fail(reason, "not a PCX file");
    ByteReader in(data, size, 2);
    pcx.encoding = in.u8();
    pcx.bits = in.u8();
    const unsigned xMin = in.le16(), yMin = in.le16(), xMax = in.le16(), yMax = in.le16();
    const std::int64_t width = std::int64_t(xMax) - xMin + 1;
    const std::int64_t height = std::int64_t(yMax) - yMin + 1;
    in.skip(4); // resolution
    const unsigned char* colors16 = in.bytes(48);
    in.skip(1);
    pcx.planes = in.u8();
    pcx.bytesPerLine = in.le16();
    if (pcx.encoding > 1)
        return Fail(reason, "unsupported PCX encoding");
    if (width <= 0 || height <= 0)
        return Fail(reason, "the PCX image has no pixels");
    if (!CheckDimensions(std::uint64_t(width), std::uint64_t(height), reason))
        return false;
    pcx.width = std::uint64_t(width);
    pcx.height = std::uint64_t(height);
    if (!(pcx.mono() || pcx.planar16() || pcx.packed16() || pcx.indexed() || pcx.rgb()))
        return Fail(reason, "unsupported PCX bit depth");
    if (pcx.bytesPerLine * 8 < pcx.width * pcx.bits)
        return Fail(reason, "the PCX scan lines are too short for the width");

    // The 256-colour palette fills the last 768 bytes (normally after the
    // byte 12, which some writers leave out).
    pcx.dataEnd = size;
    if (pcx.indexed()) {
        if (size < HeaderSize + 768)
            return Fail(reason, "the PCX palette is missing");
        pcx.dataEnd = size - 768;
        ByteReader end(data, size, pcx.dataEnd);
        ReadColors(end.bytes(768), 256, pcx.palette);
    } else if (pcx.planar16() || pcx.packed16()) {
        ReadColors(colors16, 16, pcx.palette);
    }

    // Every byte of the compressed data yields at most 63 bytes of scan line.
    const std::uint64_t lineBytes = pcx.bytesPerLine * pcx.planes;
    const std::uint64_t compressed = pcx.dataEnd - HeaderSize;
    if ((pcx.encoding ? compressed * 63 : compressed) < lineBytes * pcx.height)
        return Fail(reason, "the PCX image data is cut short");
    return true;
}

PictureInfo Describe(const Pcx& pcx)
{
    return {static_cast<std::uint32_t>(pcx.width), static_cast<std::uint32_t>(pcx.height)};
}

// Unpacks scan lines; a run may carry over from one line into the next. The
// bytes of a line past the picture's width are skipped a run at a time, so
// that a line as long as the file claims costs no more than its codes.
class LineReader
{
public:
    LineReader(const Pcx& pcx, ByteReader in, DecodeWork& work)
        : encoded_(pcx.encoding != 0), in_(in), work_(work)
    {}

    // The next `bytes` bytes into `out`, or past them when `out` is null.
    bool read(unsigned char* out, std::size_t bytes)
    {
        for (std::size_t i = 0; i < bytes;) {
            if (runLength_ == 0) {
                const unsigned b = in_.u8();
                runLength_ = 1;
                runValue_ = b;
                if (encoded_ && (b & 0xC0) == 0xC0) {
                    runLength_ = b & 0x3F;
                    runValue_ = in_.u8();
                }
                ++work_.runSteps;
                if (!in_.ok())
                    return false;
                continue;
            }
            const std::size_t n = std::min<std::size_t>(runLength_, bytes - i);
            if (out) {
                std::memset(out + i, static_cast<int>(runValue_), n);
                work_.runSteps += n;
            }
            i += n;
            runLength_ -= static_cast<unsigned>(n);
        }
        return true;
    }

private:
    bool encoded_;
    ByteReader in_;
    DecodeWork& work_;
    unsigned runLength_ = 0;
    unsigned runValue_ = 0;
};

// The bytes of each plane of a line that hold pixels.
std::size_t PlaneBytes(const Pcx& pcx)
{
    return static_cast<std::size_t>((pcx.width * pcx.bits + 7) / 8);
}

// `l` holds the used bytes of each plane, one plane after the other.
void ConvertLine(const Pcx& pcx, const unsigned char* l, unsigned char* out)
{
    const std::size_t bpl = PlaneBytes(pcx);
    for (std::size_t x = 0; x < pcx.width; ++x) {
        const std::size_t bit = 7 - x % 8;
        if (pcx.rgb()) {
            PutRgb(out, x, l[x], l[bpl + x], l[2 * bpl + x]);
        } else if (pcx.indexed()) {
            PutRgb(out, x, pcx.palette[l[x]]);
        } else if (pcx.packed16()) {
            PutRgb(out, x, pcx.palette[(l[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F]);
        } else if (pcx.planar16()) {
            unsigned index = 0;
            for (unsigned p = 0; p < 4; ++p)
                index |= ((l[p * bpl + x / 8] >> bit) & 1u) << p;
            PutRgb(out, x, pcx.palette[index]);
        } else {
            const unsigned on = (l[x / 8] >> bit) & 1u ? 255 : 0;
            PutRgb(out, x, on, on, on);
        }
    }
}

bool Decode(const unsigned char* data, std::size_t, const Pcx& pcx, RowSink& sink, DecodeWork& work,
            std::string& reason)
{
    RowWriter rows(sink, work);
    if (!rows.begin(Describe(pcx), reason))
        return false;
    const std::size_t used = PlaneBytes(pcx);
    const std::size_t padding = static_cast<std::size_t>(pcx.bytesPerLine) - used;
    std::vector<unsigned char> line(used * pcx.planes);
    LineReader lines(pcx, ByteReader(data, pcx.dataEnd, HeaderSize), work);
    for (std::uint64_t y = 0; y < pcx.height; ++y) {
        for (unsigned p = 0; p < pcx.planes; ++p)
            if (!lines.read(line.data() + p * used, used) || !lines.read(nullptr, padding))
                return Fail(reason, "the PCX image data is cut short");
        ConvertLine(pcx, line.data(), rows.next());
    }
    rows.finish();
    return true;
}

} // namespace

extern const Codec PcxCodec = {Matches, OpenMapped<Pcx, Parse, Describe, Decode>};

} // namespace imagedecode
