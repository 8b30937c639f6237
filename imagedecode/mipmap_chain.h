// The smaller levels of a texture's mipmap chain, made from its rows as they
// come: each level half the one above it on each side (rounded down, at
// least 1), down to 1 x 1, every pixel the average of the area it covers in
// the level above; where both sides halve exactly, that is the 2 x 2 box
// that graphics drivers use. It keeps a row or a row of sums per level,
// never a level.
#pragma once

#include "area_reducer.h"
#include "row_sink.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace imagedecode {

class MipmapChain
{
public:
    // Receives a finished row of a smaller level (1 for the first below the
    // picture), counted in the order the rows of the picture came.
    using Deliver =
        std::function<void(unsigned level, std::uint32_t row, const unsigned char* pixels)>;

    // Below a picture of `top`, `channels` (3 or 4) bytes a pixel, each
    // averaged alone.
    void setUp(PictureSize top, unsigned channels);

    // The number of smaller levels, and the size of one of them (1 to
    // levels()); level 0 is the picture.
    unsigned levels() const { return static_cast<unsigned>(levels_.size()); }
    PictureSize size(unsigned level) const;

    // Adds the picture's next row, in either order, as long as every row
    // comes once in the same order: a picture fed from the bottom gives its
    // levels from the bottom, since an area average does not depend on the
    // direction it is taken in. Delivers every row of every level that the
    // row finishes before it returns.
    void add(const unsigned char* row, const Deliver& deliver);

private:
    struct Level
    {
        PictureSize size;
        bool halves = false;               // both sides exactly half the level above
        std::vector<unsigned char> upper;       // halving: the first row of a pair
        std::vector<std::uint16_t> columnSums;  // halving: a pair's rows added
        bool pending = false;                   // halving: the first row of a pair is in upper
        AreaReducer reducer;               // otherwise
        std::vector<unsigned char> out;    // halving: the row made
        std::uint32_t made = 0;            // rows made
    };

    void addTo(std::size_t index, const unsigned char* row, const Deliver& deliver);

    PictureSize top_;
    unsigned channels_ = 3;
    std::vector<Level> levels_;
};

} // namespace imagedecode
