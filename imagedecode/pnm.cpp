// Netpbm pictures: P1 and P4 (bitmap), P2 and P5 (grey), P3 and P6 (colour),
// ASCII and binary, with any maximum value up to 65535.
#include "byte_reader.h"
#include "decoder.h"

namespace imagedecode {

namespace {

// The header's and the ASCII raster's numbers, with blanks and comments
// between them.
class TextReader
{
public:
    TextReader(const unsigned char* data, std::size_t size, std::size_t pos = 2)
        : data_(data), size_(size), pos_(pos)
    {}

    std::size_t pos() const { return pos_; }

    // Skips blanks and comments, then reads a decimal number below 2^31.
    bool number(std::uint32_t& value)
    {
        skipSpace();
        if (pos_ >= size_ || data_[pos_] < '0' || data_[pos_] > '9')
            return false;
        std::uint64_t v = 0;
        while (pos_ < size_ && data_[pos_] >= '0' && data_[pos_] <= '9') {
            v = v * 10 + (data_[pos_++] - '0');
            if (v > 0x7FFFFFFF)
                return false;
        }
        value = static_cast<std::uint32_t>(v);
        return true;
    }

    // Where a binary raster starts after the number just read: after the
    // one blank that ends it, or after the line of a comment that does, as
    // Netpbm reads it.
    std::size_t afterNumber() const
    {
        if (pos_ >= size_ || data_[pos_] != '#')
            return pos_ + 1;
        std::size_t end = pos_;
        while (end < size_ && data_[end] != '\n' && data_[end] != '\r')
            ++end;
        return end + 1;
    }

    // A plain bitmap's digits need no blank between them.
    bool bit(unsigned& value)
    {
        skipSpace();
        if (pos_ >= size_ || (data_[pos_] != '0' && data_[pos_] != '1'))
            return false;
        value = data_[pos_++] - '0';
        return true;
    }

private:
    static bool isSpace(unsigned char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    void skipSpace()
    {
        while (pos_ < size_) {
            if (isSpace(data_[pos_])) {
                ++pos_;
            } else if (data_[pos_] == '#') {
                while (pos_ < size_ && data_[pos_] != '\n' && data_[pos_] != '\r')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_;
};

struct Pnm
{
    bool ascii = false;
    bool bitmap = false;
    unsigned channels = 1;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t maxValue = 1;
    std::uint64_t sampleBytes = 1;
    std::uint64_t rowBytes = 0; // binary rows
    std::size_t dataStart = 0;  // of the binary raster, or where the ASCII one is read from
};

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6' &&
           (d[2] == ' ' || d[2] == '\t' || d[2] == '\r' || d[2] == '\n' || d[2] == '#');
}

bool Parse(const unsigned char* data, std::size_t size, Pnm& pnm, std::string& reason)
{
    TextReader in(data, size);
    if (!Matches(data, size))
        return Fail(reason, "not a PPM, PGM or PBM file");
    const int kind = data[1] - '0';
    pnm.ascii = kind <= 3;
    pnm.bitmap = kind == 1 || kind == 4;
    pnm.channels = (kind == 3 || kind == 6) ? 3 : 1;
    if (!in.number(pnm.width) || !in.number(pnm.height) ||
        (!pnm.bitmap && !in.number(pnm.maxValue)))
        return Fail(reason, "the PPM header is damaged or cut short");
    if (pnm.maxValue == 0 || pnm.maxValue > 65535)
        return Fail(reason, "the PPM maximum value is out of range");
    if (!CheckDimensions(pnm.width, pnm.height, reason))
        return false;
    const std::uint64_t w = pnm.width, h = pnm.height;
    pnm.sampleBytes = pnm.maxValue > 255 ? 2 : 1;
    pnm.rowBytes = pnm.bitmap ? (w + 7) / 8 : w * pnm.channels * pnm.sampleBytes;
    if (pnm.ascii) {
        // Each sample takes at least one character.
        pnm.dataStart = in.pos();
        if (size - in.pos() < w * h * pnm.channels)
            return Fail(reason, "the PPM image data is cut short");
    } else {
        // Binary data starts after exactly one blank, or after the end of
        // a comment that follows the last number.
        pnm.dataStart = in.afterNumber();
        if (pnm.dataStart > size || size - pnm.dataStart < pnm.rowBytes * h)
            return Fail(reason, "the PPM image data is cut short");
    }
    return true;
}

PictureInfo Describe(const Pnm& pnm)
{
    return {pnm.width, pnm.height};
}

std::uint8_t Scale(std::uint32_t v, std::uint32_t maxValue)
{
    if (v >= maxValue)
        return 255;
    return static_cast<std::uint8_t>((v * 255u + maxValue / 2) / maxValue);
}

// One row of samples; `row` holds the binary raster's bytes of the row.
bool ReadRow(const Pnm& pnm, TextReader& text, const unsigned char* row, unsigned char* out)
{
    for (std::size_t x = 0; x < pnm.width; ++x) {
        std::uint32_t c[3] = {};
        if (pnm.bitmap) {
            unsigned b = 0;
            if (pnm.ascii && !text.bit(b))
                return false;
            if (!pnm.ascii)
                b = (row[x / 8] >> (7 - x % 8)) & 1u;
            // In a bitmap 1 is black.
            c[0] = c[1] = c[2] = b ? 0 : 255;
        } else {
            for (unsigned i = 0; i < pnm.channels; ++i) {
                std::uint32_t v = 0;
                if (pnm.ascii) {
                    if (!text.number(v))
                        return false;
                } else if (pnm.sampleBytes == 2) {
                    v = LoadBe16(row + 2 * (x * pnm.channels + i));
                } else {
                    v = row[x * pnm.channels + i];
                }
                c[i] = Scale(v, pnm.maxValue);
            }
            if (pnm.channels == 1)
                c[1] = c[2] = c[0];
        }
        PutRgb(out, x, c[0], c[1], c[2]);
    }
    return true;
}

bool Decode(const unsigned char* data, std::size_t size, const Pnm& pnm, RowSink& sink,
            DecodeWork& work, std::string& reason)
{
    TextReader text(data, size, pnm.dataStart);
    RowWriter rows(sink, work);
    if (!rows.begin(Describe(pnm), reason))
        return false;
    ByteReader raster(data, size, pnm.dataStart);
    for (std::uint32_t y = 0; y < pnm.height; ++y) {
        const unsigned char* row = pnm.ascii ? nullptr : raster.bytes(pnm.rowBytes);
        if ((!pnm.ascii && !row) || !ReadRow(pnm, text, row, rows.next()))
            return Fail(reason, "the PPM image data is damaged or cut short");
    }
    rows.finish();
    return true;
}

} // namespace

extern const Codec PnmCodec = {Matches, OpenMapped<Pnm, Parse, Describe, Decode>};

} // namespace imagedecode
