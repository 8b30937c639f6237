#include "zlib_inflate.h"

#include "decoder.h"

#include <zlib.h>

namespace imagedecode {

Inflated InflateAtMost(const unsigned char* data, std::size_t size, std::size_t most,
                       unsigned char* out, std::size_t& written)
{
    written = 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return Inflated::NoMemory;
    z.next_in = const_cast<unsigned char*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(most + 1);
    const int result = inflate(&z, Z_FINISH);
    written = most + 1 - z.avail_out;
    inflateEnd(&z);
    if (written > most)
        return Inflated::TooLarge;
    return result == Z_STREAM_END ? Inflated::Whole : Inflated::Damaged;
}

std::string InflateProblem(Inflated result, const char* what, std::size_t limit)
{
    switch (result) {
    case Inflated::Whole:
        return "";
    case Inflated::TooLarge:
        return LargerThanLimit(what, limit);
    case Inflated::NoMemory:
        return std::string("not enough memory to inflate the ") + what;
    case Inflated::Damaged:
        break;
    }
    return std::string("the compressed ") + what + " is damaged";
}

bool PngChunkIntact(const char type[4], const unsigned char* data, std::size_t size,
                    std::uint32_t crc)
{
    const uLong sum =
        crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4), data, static_cast<uInt>(size));
    return sum == crc;
}

} // namespace imagedecode
