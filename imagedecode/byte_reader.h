// The one way the decoders read bytes: fixed-size fields and byte ranges
// from a span, every read checked against its end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imagedecode {

// Reads fields from a byte range; a read past the end fails and leaves
// ok() false from then on, and every later read gives 0 (or null).
class ByteReader
{
public:
    ByteReader(const unsigned char* data, std::size_t size, std::uint64_t pos = 0)
        : data_(data), size_(size), pos_(pos <= size ? std::size_t(pos) : size), ok_(pos <= size)
    {}

    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }

    bool skip(std::uint64_t n) { return bytes(n) != nullptr || n == 0; }

    // The next `n` bytes, or null when fewer remain.
    const unsigned char* bytes(std::uint64_t n)
    {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return nullptr;
        }
        const unsigned char* p = data_ + pos_;
        pos_ += static_cast<std::size_t>(n);
        return p;
    }

    std::uint8_t u8()
    {
        const unsigned char* p = bytes(1);
        return p ? p[0] : 0;
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

// Words inside a range already taken with ByteReader::bytes.
inline std::uint16_t LoadLe16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint16_t LoadBe16(const unsigned char* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t LoadBe32(const unsigned char* p)
{
    return (std::uint32_t(LoadBe16(p)) << 16) | LoadBe16(p + 2);
}

} // namespace imagedecode
