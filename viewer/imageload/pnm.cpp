// Netpbm pictures: P1 and P4 (bitmap), P2 and P5 (grey), P3 and P6 (colour),
// ASCII and binary, with any maximum value up to 65535.
#include "decode_common.h"

namespace imageload {

using namespace detail;

namespace {

class PnmReader
{
public:
    PnmReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t pos() const { return pos_; }
    void setPos(std::size_t pos) { pos_ = pos; }

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
    std::size_t pos_ = 2;
};

} // namespace

bool DecodePnm(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    if (size < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '6')
        return Fail(reason, "not a PPM, PGM or PBM file");
    const int kind = data[1] - '0';
    const bool ascii = kind <= 3;
    const bool bitmap = kind == 1 || kind == 4;
    const unsigned channels = (kind == 3 || kind == 6) ? 3 : 1;

    PnmReader in(data, size);
    std::uint32_t width = 0, height = 0, maxValue = 1;
    if (!in.number(width) || !in.number(height) || (!bitmap && !in.number(maxValue)))
        return Fail(reason, "the PPM header is damaged or cut short");
    if (maxValue == 0 || maxValue > 65535)
        return Fail(reason, "the PPM maximum value is out of range");
    if (!CheckDimensions(width, height, reason))
        return false;
    const std::uint64_t w = width, h = height;

    // Binary data starts after exactly one blank.
    std::size_t pos = in.pos() + 1;
    const std::uint64_t sampleBytes = maxValue > 255 ? 2 : 1;
    const std::uint64_t samples = w * h * channels;
    const std::uint64_t rowBytes = bitmap ? (w + 7) / 8 : w * channels * sampleBytes;
    if (ascii) {
        // Each sample takes at least one character.
        if (size - in.pos() < samples)
            return Fail(reason, "the PPM image data is cut short");
    } else if (pos > size || size - pos < rowBytes * h) {
        return Fail(reason, "the PPM image data is cut short");
    }
    if (!AllocateImage(image, w, h, PixelLayout::Rgb24, reason))
        return false;

    auto scale = [maxValue](std::uint32_t v) -> std::uint8_t {
        if (v >= maxValue)
            return 255;
        return static_cast<std::uint8_t>((v * 255u + maxValue / 2) / maxValue);
    };
    for (std::uint64_t y = 0; y < h; ++y) {
        const unsigned char* row = data + pos + y * rowBytes;
        for (std::uint64_t x = 0; x < w; ++x) {
            std::uint32_t c[3] = {};
            if (bitmap) {
                unsigned b = 0;
                if (ascii) {
                    if (!in.bit(b))
                        return Fail(reason, "the PPM image data is damaged or cut short");
                } else {
                    b = (row[x / 8] >> (7 - x % 8)) & 1u;
                }
                // In a bitmap 1 is black.
                c[0] = c[1] = c[2] = b ? 0 : 255;
            } else {
                for (unsigned i = 0; i < channels; ++i) {
                    std::uint32_t v = 0;
                    if (ascii) {
                        if (!in.number(v))
                            return Fail(reason, "the PPM image data is damaged or cut short");
                    } else if (sampleBytes == 2) {
                        v = Be16(row + 2 * (x * channels + i));
                    } else {
                        v = row[x * channels + i];
                    }
                    c[i] = scale(v);
                }
                if (channels == 1)
                    c[1] = c[2] = c[0];
            }
            PutRgb(image, x, y, c[0], c[1], c[2]);
        }
    }
    return true;
}

} // namespace imageload
