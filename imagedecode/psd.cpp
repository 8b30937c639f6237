// Photoshop documents: the merged picture of an 8-bit RGB or greyscale
// document, raw or PackBits compressed, with its first extra channel as
// alpha.
#include "byte_reader.h"
#include "decoder.h"

#include <cstring>
#include <vector>

namespace imagedecode {

namespace {

struct Psd
{
    unsigned channels = 0; // in the file
    unsigned colours = 0;  // 3 RGB, 1 grey
    unsigned used = 0;     // channels read: the colours and maybe alpha
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned compression = 0;
    std::size_t planes = 0;              // where the image data starts
    std::vector<std::uint64_t> rowEnd{}; // compressed: end of each used row, from `planes`
    ProfileInFile profile;               // image resource 1039

    bool alpha() const { return used > colours; }
};

// The image resources: blocks of a signature, an ID, a name (a Pascal
// string padded to an even length) and data (padded likewise). The ICC
// profile is resource 1039.
ProfileInFile FindProfile(const unsigned char* resources, std::size_t size)
{
    ProfileInFile profile;
    ByteReader in(resources, size);
    while (in.remaining() >= 12) {
        const unsigned char* signature = in.bytes(4);
        const unsigned id = in.be16();
        const unsigned nameLength = in.u8();
        in.skip(nameLength + (nameLength % 2 == 0 ? 1 : 0));
        const std::uint32_t length = in.be32();
        const unsigned char* data = in.bytes(length);
        in.skip(length % 2);
        if (!in.ok() || std::memcmp(signature, "8BIM", 4) != 0)
            break;
        if (id != 1039)
            continue;
        profile.found = true;
        ProfileTooLarge(length, profile.problem);
        profile.data = data;
        profile.size = length;
        return profile;
    }
    return profile;
}

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 4 && d[0] == '8' && d[1] == 'B' && d[2] == 'P' && d[3] == 'S';
}

bool Parse(const unsigned char* data, std::size_t size, Psd& psd, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a PSD file");
    ByteReader in(data, size, 4);
    const unsigned version = in.be16();
    in.skip(6);
    psd.channels = in.be16();
    psd.height = in.be32();
    psd.width = in.be32();
    const unsigned depth = in.be16(), mode = in.be16();
    if (!in.ok())
        return Fail(reason, "the PSD header is cut short");
    if (version != 1)
        return Fail(reason, "unsupported PSD version");
    if (depth != 8 || (mode != 1 && mode != 3))
        return Fail(reason, "unsupported PSD colour mode or depth");
    psd.colours = mode == 3 ? 3 : 1;
    if (psd.channels < psd.colours || psd.channels > 56)
        return Fail(reason, "unsupported PSD channel count");
    if (!CheckDimensions(psd.width, psd.height, reason))
        return false;
    // Colour mode data and layers skipped; of the image resources, the
    // colour profile.
    in.skip(in.be32());
    const std::uint32_t resourcesLength = in.be32();
    if (const unsigned char* resources = in.bytes(resourcesLength))
        psd.profile = FindProfile(resources, resourcesLength);
    in.skip(in.be32());
    psd.compression = in.be16();
    if (!in.ok())
        return Fail(reason, "the PSD file is cut short");
    if (psd.compression > 1)
        return Fail(reason, "unsupported PSD compression");

    const std::uint64_t w = psd.width, h = psd.height;
    psd.used = psd.channels > psd.colours ? psd.colours + 1 : psd.colours;
    psd.planes = in.pos();
    if (psd.compression == 0) {
        if (w * h * psd.used > in.remaining())
            return Fail(reason, "the PSD image data is cut short");
        return true;
    }
    // A table of compressed row lengths for every row of every channel.
    const unsigned char* lengths = in.bytes(h * psd.channels * 2);
    if (!lengths)
        return Fail(reason, "the PSD image data is cut short");
    std::uint64_t offset = h * psd.channels * 2;
    psd.rowEnd.resize(static_cast<std::size_t>(h * psd.used));
    for (std::size_t r = 0; r < psd.rowEnd.size(); ++r)
        psd.rowEnd[r] = offset += LoadBe16(lengths + 2 * r);
    if (offset > size - psd.planes)
        return Fail(reason, "the PSD image data is cut short");
    return true;
}

// With a profile, a grey document's samples go out as grey, for the colour
// stage; otherwise as RGB.
PictureInfo Describe(const Psd& psd)
{
    if (psd.colours == 1 && psd.profile.usable())
        return {psd.width, psd.height, psd.alpha() ? PixelLayout::GreyAlpha8 : PixelLayout::Grey8};
    return {psd.width, psd.height, psd.alpha() ? PixelLayout::Argb32 : PixelLayout::Rgb24};
}

IccProfile ProfileOf(const Psd& psd)
{
    return psd.profile.take();
}

// Unpacks one PackBits row of exactly `width` bytes.
bool UnpackRow(ByteReader in, unsigned char* out, std::size_t width)
{
    std::size_t n = 0;
    while (n < width) {
        const int header = static_cast<signed char>(in.u8());
        if (!in.ok())
            return false;
        if (header >= 0) {
            const std::size_t count = std::size_t(header) + 1;
            const unsigned char* literal = in.bytes(count);
            if (!literal || count > width - n)
                return false;
            std::memcpy(out + n, literal, count);
            n += count;
        } else if (header != -128) {
            const std::size_t count = std::size_t(1 - header);
            const unsigned char value = in.u8();
            if (!in.ok() || count > width - n)
                return false;
            std::memset(out + n, value, count);
            n += count;
        }
    }
    return true;
}

// Row y of channel c, each channel a whole plane after the other.
bool ReadChannelRow(const Psd& psd, const unsigned char* data, std::size_t size, unsigned c,
                    std::uint64_t y, unsigned char* out)
{
    const std::uint64_t w = psd.width, r = c * std::uint64_t(psd.height) + y;
    if (psd.compression == 0) {
        ByteReader in(data, size, psd.planes + r * w);
        const unsigned char* row = in.bytes(w);
        if (row)
            std::memcpy(out, row, static_cast<std::size_t>(w));
        return row != nullptr;
    }
    const std::uint64_t start =
        r == 0 ? psd.height * std::uint64_t(psd.channels) * 2 : psd.rowEnd[r - 1];
    return UnpackRow(ByteReader(data, psd.planes + psd.rowEnd[r], psd.planes + start), out,
                     static_cast<std::size_t>(w));
}

bool Decode(const unsigned char* data, std::size_t size, const Psd& psd, RowSink& sink,
            DecodeWork& work, std::string& reason)
{
    const PictureInfo picture = Describe(psd);
    const PixelLayout layout = picture.layout;
    RowWriter rows(sink, work);
    if (!rows.begin(picture, reason))
        return false;
    const std::size_t w = psd.width;
    std::vector<unsigned char> planes(w * psd.used); // one row of each channel read
    for (std::uint32_t y = 0; y < psd.height; ++y) {
        for (unsigned c = 0; c < psd.used; ++c)
            if (!ReadChannelRow(psd, data, size, c, y, planes.data() + c * w))
                return Fail(reason, "the PSD image data is damaged");
        unsigned char* out = rows.next();
        for (std::size_t x = 0; x < w; ++x) {
            const unsigned char* p = planes.data() + x;
            const unsigned r = p[0];
            const unsigned g = psd.colours == 3 ? p[w] : r, b = psd.colours == 3 ? p[2 * w] : r;
            if (layout == PixelLayout::Grey8) {
                out[x] = static_cast<unsigned char>(r);
            } else if (layout == PixelLayout::GreyAlpha8) {
                out[2 * x] = static_cast<unsigned char>(r);
                out[2 * x + 1] = p[w];
            } else if (layout == PixelLayout::Rgb24) {
                PutRgb(out, x, r, g, b);
            } else {
                PutArgb(out, x, Argb(p[psd.colours * w], r, g, b));
            }
        }
    }
    rows.finish();
    return true;
}

} // namespace

extern const Codec PsdCodec = {Matches, OpenMapped<Psd, Parse, Describe, Decode, ProfileOf>};

} // namespace imagedecode
