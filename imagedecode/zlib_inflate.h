// Inflating the zlib data of a PNG text or profile chunk, bounded: a few
// bytes of a hostile file may claim gigabytes.
#pragma once

#include <cstddef>

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

} // namespace imagedecode
