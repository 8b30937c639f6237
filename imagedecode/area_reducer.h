// Reduces a picture as its rows come, with an area filter: each output pixel
// is the average of the input area it covers, pixels cut by its edges
// weighted by the part they cover. It keeps one row of sums at the input's
// width, never the picture.
#pragma once

#include "row_sink.h"

#include <cstdint>
#include <vector>

namespace imagedecode {

class AreaReducer
{
public:
    // The input columns an output column covers, and how much of the first
    // and the last (positions below); those from first + 1 to betweenEnd
    // (not included) count whole.
    struct Span
    {
        std::uint32_t first, last, betweenEnd;
        std::uint32_t firstWeight, lastWeight;
    };

    // From a picture of `from`, each side of `to` from 1 to that of `from`,
    // `channels` (3 or 4) bytes a pixel, each averaged alone.
    void setUp(PictureSize from, PictureSize to, unsigned channels);

    // Adds the next input row, from the top; returns the output row it
    // completes (its index in `completed`), or null. The row stays valid
    // until the next call.
    const unsigned char* add(const unsigned char* row, std::uint32_t& completed);

private:
    void finishRow();

    PictureSize from_, to_;
    unsigned channels_ = 0;
    // Positions are counted in units of 1 / to_ of an input pixel: input
    // pixel x spans [x * to, (x + 1) * to), output pixel i [i * from,
    // (i + 1) * from), on each axis; a whole input pixel weighs `to`.
    std::vector<Span> spans_;         // per output column
    std::vector<std::uint32_t> sums_; // per input sample: the rows of the output row, weighted
    std::vector<unsigned char> out_;  // the output row
    bool oneBetween_ = false;         // at most one input column lies between first and last
    std::uint64_t divisor_ = 0;       // the weight of a whole output pixel
    std::uint64_t rowEnd_ = 0;        // where the output row being summed ends
    std::uint64_t at_ = 0;            // where the next input row starts
    std::uint32_t row_ = 0;           // the output row being summed
};

} // namespace imagedecode
