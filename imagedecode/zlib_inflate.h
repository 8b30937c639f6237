// Inflating the zlib data of a PNG text or profile chunk, bounded: a few
// bytes of a hostile file may claim gigabytes; and checking such a chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace imagedecode {

enum class Inflated
{
    Whole,    // all of it, within the bound
    TooLarge, // more than the bound
    Damaged,
    NoMemory
};

// Inflates `size` bytes of zlib data into `out`, which has room for
// `most` + 1 bytes, and says how many it wrote.
Inflated InflateAtMost(const unsigned char* data, std::size_t size, std::size_t most,
                       unsigned char* out, std::size_t& written);

// What went wrong inflating `what` ("colour profile") within `limit` bytes;
// empty when nothing did.
std::string InflateProblem(Inflated result, const char* what, std::size_t limit);

// Whether a PNG chunk's CRC, of its type and data, is `crc`.
bool PngChunkIntact(const char type[4], const unsigned char* data, std::size_t size,
                    std::uint32_t crc);

} // namespace imagedecode
