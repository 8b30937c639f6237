#include "worstfiles.h"

#include "testimages.h"

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

namespace worstfiles {

namespace {

struct Out : Bytes
{
    Out& u8(unsigned v) { return push_back(static_cast<unsigned char>(v)), *this; }
    Out& le16(unsigned v) { return u8(v).u8(v >> 8); }
    Out& le32(std::uint32_t v) { return le16(v).le16(v >> 16); }
    Out& be32(std::uint32_t v) { return u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v); }
    Out& put(const Bytes& b) { return insert(end(), b.begin(), b.end()), *this; }
};

void Chunk(Out& png, const char* type, const Bytes& data)
{
    png.be32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.put(data);
    png.be32(static_cast<std::uint32_t>(
        crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// The scan lines of the picture as libpng inflates them: pass by pass when
// interlaced, each with filter byte 0 and a pattern.
Bytes ScanLines(std::uint32_t width, std::uint32_t height, int depth, bool interlaced)
{
    Bytes lines;
    const std::uint64_t pixelBytes = 3 * depth / 8;
    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
        const std::uint32_t rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
        const std::uint32_t columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
        for (std::uint32_t y = 0; columns > 0 && y < rows; ++y) {
            lines.push_back(0);
            for (std::uint64_t i = 0; i < columns * pixelBytes; ++i)
                lines.push_back(static_cast<unsigned char>((i * 7 + y * 31 + pass * 5) ^ (i >> 4)));
        }
    }
    return lines;
}

// Deflates `in` into `out` with the given flush.
void Deflate(z_stream& z, const Bytes& in, int flush, Bytes& out)
{
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    unsigned char buffer[1 << 16];
    do {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        deflate(&z, flush);
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    } while (z.avail_out == 0);
}

} // namespace

Bytes PngWithDataAfterPicture(std::uint32_t width, std::uint32_t height, int depth, bool interlaced,
                              std::uint64_t extra)
{
    const Bytes lines = ScanLines(width, height, depth, interlaced);
    z_stream z{};
    deflateInit(&z, 9);
    Bytes stream;
    Deflate(z, lines, Z_SYNC_FLUSH, stream);
    // Zeros in blocks of 1 MiB. Once the window holds nothing but zeros, the
    // block that deflate makes of the next MiB can follow itself any number
    // of times.
    constexpr std::uint64_t Block = 1 << 20;
    const std::uint64_t blocks = (extra + Block - 1) / Block;
    const Bytes zeros(Block, 0);
    if (blocks > 0)
        Deflate(z, zeros, Z_SYNC_FLUSH, stream);
    Bytes repeated;
    if (blocks > 1)
        Deflate(z, zeros, Z_SYNC_FLUSH, repeated);
    for (std::uint64_t i = 1; i < blocks; ++i)
        stream.insert(stream.end(), repeated.begin(), repeated.end());
    Deflate(z, Bytes(), Z_FINISH, stream);
    deflateEnd(&z);
    // The checksum of everything inflated: zeros leave its sum of bytes as
    // it is and add that sum once per zero to its second sum.
    const uLong lineSum = adler32(adler32(0, nullptr, 0), lines.data(), uInt(lines.size()));
    const std::uint64_t a = lineSum & 0xFFFF, b = lineSum >> 16;
    const std::uint64_t total = (b + (blocks * Block % 65521) * a) % 65521;
    const std::uint32_t checksum = static_cast<std::uint32_t>(total << 16 | a);
    for (int k = 0; k < 4; ++k)
        stream[stream.size() - 4 + k] = static_cast<unsigned char>(checksum >> (24 - 8 * k));

    Out png;
    png.insert(png.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    Out header;
    header.be32(width).be32(height).u8(depth).u8(2).u8(0).u8(0).u8(interlaced ? 1 : 0);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", stream);
    Chunk(png, "IEND", Bytes());
    return png;
}

namespace {

Out BmpHeader(std::uint32_t width, std::uint32_t height)
{
    Out b;
    b.u8('B').u8('M').le32(0).le32(0).le32(54 + 1024).le32(40).le32(width).le32(height);
    b.le16(1).le16(8).le32(1).le32(0).le32(2835).le32(2835).le32(256).le32(0);
    for (unsigned i = 0; i < 256; ++i)
        b.u8(i).u8(255 - i).u8(i * 7).u8(0);
    return b;
}

// Runs that fill a row of `width` pixels exactly.
void FittingRuns(Out& b, std::uint32_t width, unsigned colour)
{
    for (std::uint32_t x = 0; x < width;) {
        const unsigned n = std::min<std::uint32_t>(255, width - x);
        b.u8(n).u8(colour);
        x += n;
    }
}

} // namespace

void WriteBmpWithLongRuns(std::ostream& out, std::uint32_t width, std::uint32_t height,
                          std::uint64_t runs)
{
    const Out header = BmpHeader(width, height);
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    Out row;
    FittingRuns(row, width, 1);
    out.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
    // The runs past the row's end, written in large pieces.
    std::string piece;
    for (int i = 0; i < 1 << 16; ++i)
        piece += "\xFF\x02";
    for (std::uint64_t left = runs; left > 0;) {
        const std::uint64_t n = std::min<std::uint64_t>(left, piece.size() / 2);
        out.write(piece.data(), std::streamsize(2 * n));
        left -= n;
    }
    Out rest;
    rest.u8(0).u8(0);
    for (std::uint32_t y = 1; y < height; ++y) {
        FittingRuns(rest, width, 3 + y % 200);
        rest.u8(0).u8(y + 1 < height ? 0 : 1);
    }
    if (height == 1)
        rest.back() = 1;
    out.write(reinterpret_cast<const char*>(rest.data()), std::streamsize(rest.size()));
}

Bytes BmpWithLongRuns(std::uint32_t width, std::uint32_t height, std::uint64_t runs)
{
    std::ostringstream out;
    WriteBmpWithLongRuns(out, width, height, runs);
    const std::string s = out.str();
    return Bytes(s.begin(), s.end());
}

Bytes BmpEndingEarly(std::uint32_t width, std::uint32_t height, unsigned deltas)
{
    Out b = BmpHeader(width, height);
    for (unsigned i = 0; i < deltas; ++i)
        b.u8(0).u8(2).u8(0).u8(255);
    return b;
}

Bytes PcxWithLongLines(std::uint32_t width, std::uint32_t height, unsigned lineBytes)
{
    Out b;
    b.u8(0x0A).u8(5).u8(1).u8(8).le16(0).le16(0).le16(width - 1).le16(height - 1);
    b.resize(65, 0);
    b.u8(1).le16(lineBytes).resize(128, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x)
            b.u8(0xC1).u8(x + y);
        for (unsigned n = width; n < lineBytes; n += 63)
            b.u8(0xC0 | std::min(63u, lineBytes - n)).u8(0);
    }
    b.u8(0x0C);
    for (unsigned i = 0; i < 768; ++i)
        b.u8(i / 3);
    return b;
}

Bytes JpegWithScans(std::uint32_t width, std::uint32_t height, unsigned scans, bool empty,
                    int components)
{
    const std::uint32_t codedWidth = empty ? 16 : width, codedHeight = empty ? 16 : height;
    std::vector<jpeg_scan_info> script = {{components, {0, 1, 2, 3}, 0, 0, 0, 0}};
    for (unsigned k = 0; script.size() < scans; ++k) {
        const int coefficient = 1 + int(k / components % 63);
        script.push_back({1, {int(k % components), 0, 0, 0}, coefficient, coefficient, 0, 0});
    }
    const Bytes coded = testimages::CompressJpeg(
        codedWidth, codedHeight, components, components == 4 ? JCS_CMYK : JCS_RGB,
        [&](jpeg_compress_struct& cinfo) {
            cinfo.arith_code = TRUE;
            // Full resolution in every component: the most coefficients a picture has.
            for (int c = 0; c < components; ++c)
                cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
            cinfo.scan_info = script.data();
            cinfo.num_scans = int(script.size());
        },
        [&](unsigned, unsigned char* row) {
            std::fill_n(row, std::size_t(codedWidth) * components, 128);
        });
    if (!empty)
        return coded;

    // Copies the markers, with the frame given the size and every scan's
    // data left out.
    Bytes b(coded.begin(), coded.begin() + 2);
    for (std::size_t i = 2; i + 2 <= coded.size();) {
        const unsigned marker = coded[i + 1];
        if (marker == 0xD9) {
            b.insert(b.end(), {0xFF, 0xD9});
            break;
        }
        const std::size_t length = std::size_t(coded[i + 2]) << 8 | coded[i + 3];
        const std::size_t start = b.size();
        b.insert(b.end(), coded.begin() + i, coded.begin() + i + 2 + length);
        i += 2 + length;
        if (marker == 0xCA) { // the frame of a progressive arithmetic-coded picture
            b[start + 5] = static_cast<unsigned char>(height >> 8);
            b[start + 6] = static_cast<unsigned char>(height);
            b[start + 7] = static_cast<unsigned char>(width >> 8);
            b[start + 8] = static_cast<unsigned char>(width);
        }
        if (marker == 0xDA)
            while (i + 1 < coded.size() && !(coded[i] == 0xFF && coded[i + 1] != 0))
                ++i;
    }
    return b;
}

} // namespace worstfiles
