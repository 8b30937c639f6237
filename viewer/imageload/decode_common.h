// Helpers shared by the decoders: bounds-checked reading and checked
// allocation of the decoded picture.
#pragma once

#include "decode.h"

#include <cstring>
#include <new>

namespace imageload {
namespace detail {

// Reads fixed-size fields from a byte range; every read past the end fails
// and leaves `ok` false from then on.
class ByteReader
{
public:
    ByteReader(const unsigned char* data, std::size_t size, std::size_t pos = 0)
        : data_(data), size_(size), pos_(pos <= size ? pos : size), ok_(pos <= size)
    {}

    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }
    const unsigned char* here() const { return data_ + pos_; }

    bool skip(std::uint64_t n)
    {
        if (!ok_ || n > remaining())
            return ok_ = false;
        pos_ += static_cast<std::size_t>(n);
        return true;
    }
    std::uint8_t u8()
    {
        if (!ok_ || remaining() < 1) {
            ok_ = false;
            return 0;
        }
        return data_[pos_++];
    }
    std::uint16_t le16()
    {
        std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t le32()
    {
        std::uint32_t lo = le16();
        return lo | (std::uint32_t(le16()) << 16);
    }
    std::uint16_t be16()
    {
        std::uint16_t hi = u8();
        return static_cast<std::uint16_t>((hi << 8) | u8());
    }
    std::uint32_t be32()
    {
        std::uint32_t hi = be16();
        return (hi << 16) | be16();
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_;
    bool ok_;
};

inline std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint16_t Be16(const unsigned char* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t Be32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

// Checks the size against the documented limit.
bool CheckDimensions(std::uint64_t width, std::uint64_t height, std::string& reason);

// Checks the size and allocates the picture (contents undefined).
bool AllocateImage(DecodedImage& image, std::uint64_t width, std::uint64_t height,
                   PixelLayout layout, std::string& reason);

inline void PutRgb(DecodedImage& image, std::size_t x, std::size_t y, std::uint8_t r,
                   std::uint8_t g, std::uint8_t b)
{
    unsigned char* p = image.pixels.get() + (y * image.width + x) * 3;
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

inline void PutArgb(DecodedImage& image, std::size_t x, std::size_t y, std::uint32_t argb)
{
    std::memcpy(image.pixels.get() + (y * image.width + x) * 4, &argb, 4);
}

inline std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Writes a colour given as 0xAARRGGBB in whatever layout the image has.
inline void PutColor(DecodedImage& image, std::size_t x, std::size_t y, std::uint32_t argb)
{
    if (image.layout == PixelLayout::Rgb24)
        PutRgb(image, x, y, static_cast<std::uint8_t>(argb >> 16),
               static_cast<std::uint8_t>(argb >> 8), static_cast<std::uint8_t>(argb));
    else
        PutArgb(image, x, y, argb);
}

inline bool Fail(std::string& reason, const char* why)
{
    reason = why;
    return false;
}

} // namespace detail
} // namespace imageload
