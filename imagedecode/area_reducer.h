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
    // The input columns an output column covers: `first` in part, those
    // from first + 1 to `betweenEnd` (not included) whole, and `betweenEnd`
    // in part. Each weight is the area covered divided by the output
    // pixel's area, so that the sums of a row times them add up to the
    // average itself.
    struct Column
    {
        std::uint32_t first, betweenEnd;
        double firstWeight, betweenWeight, lastWeight;
    };

    // From a picture of `from`, each side of `to` from 1 to that of `from`,
    // `channels` (3 or 4) bytes a pixel, each averaged alone.
    void setUp(PictureSize from, PictureSize to, unsigned channels);

    // Adds the next input row, from the top; returns the output row it
    // completes (its index in `completed`), or null. The row stays valid
    // until the next call.
    const unsigned char* add(const unsigned char* row, std::uint32_t& completed);

private:
    template <typename Sum>
    const unsigned char* addTo(Sum* sums, const unsigned char* row, std::uint32_t& completed);
    template <typename Sum> void finishRow(const Sum* sums);

    PictureSize from_, to_;
    unsigned channels_ = 0;
    // Positions are counted in units of 1 / to_ of an input pixel: input
    // pixel x spans [x * to, (x + 1) * to), output pixel i [i * from,
    // (i + 1) * from), on each axis; a whole input pixel weighs `to`.
    std::vector<Column> columns_; // per output column
    // Per input sample: the rows of the output row, weighted. 32 bits hold
    // them unless the picture is taller than 2^32 / 255 rows.
    std::vector<std::uint32_t> sums_;
    std::vector<std::uint64_t> wideSums_;
    std::vector<unsigned char> out_; // the output row
    bool oneBetween_ = false;        // at most one input column lies between first and last
    std::uint64_t rowEnd_ = 0;       // where the output row being summed ends
    std::uint64_t at_ = 0;           // where the next input row starts
    std::uint32_t row_ = 0;          // the output row being summed
};

} // namespace imagedecode
