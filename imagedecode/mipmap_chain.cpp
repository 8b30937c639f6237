#include "mipmap_chain.h"

#include <algorithm>

namespace imagedecode {

namespace {

// The samples of a row added in horizontal pairs: pixel x of the half-width
// row from pixels 2x and 2x + 1.
template <unsigned Channels>
void SumPairs(const unsigned char* __restrict row, std::uint32_t width,
              std::uint16_t* __restrict sums)
{
    for (std::uint32_t x = 0; x < width; ++x, row += 2 * Channels, sums += Channels)
        for (unsigned c = 0; c < Channels; ++c)
            sums[c] = std::uint16_t(row[c] + row[Channels + c]);
}

// The second row of a pair added to the first's pair sums: the average of
// each 2 x 2 box, rounded halves up.
template <unsigned Channels>
void AverageBoxes(const std::uint16_t* __restrict sums, const unsigned char* __restrict row,
                  std::uint32_t width, unsigned char* __restrict out)
{
    for (std::uint32_t x = 0; x < width; ++x, row += 2 * Channels, sums += Channels, out += Channels)
        for (unsigned c = 0; c < Channels; ++c)
            out[c] = static_cast<unsigned char>((sums[c] + row[c] + row[Channels + c] + 2) >> 2);
}

} // namespace

void MipmapChain::setUp(PictureSize top, unsigned channels)
{
    top_ = top;
    channels_ = channels;
    levels_.clear();
    for (PictureSize above = top; above.width > 1 || above.height > 1;) {
        Level level;
        level.size = {std::max<std::uint32_t>(above.width / 2, 1),
                      std::max<std::uint32_t>(above.height / 2, 1)};
        level.halves = above.width == 2 * level.size.width && above.height == 2 * level.size.height;
        if (level.halves) {
            level.pairSums.resize(std::size_t(level.size.width) * channels);
            level.out.resize(std::size_t(level.size.width) * channels);
        } else {
            level.reducer.setUp(above, level.size, channels);
        }
        levels_.push_back(std::move(level));
        above = levels_.back().size;
    }
}

PictureSize MipmapChain::size(unsigned level) const
{
    return level == 0 ? top_ : levels_[level - 1].size;
}

void MipmapChain::add(const unsigned char* row, const Deliver& deliver)
{
    if (!levels_.empty())
        addTo(0, row, deliver);
}

void MipmapChain::addTo(std::size_t index, const unsigned char* row, const Deliver& deliver)
{
    Level& level = levels_[index];
    const unsigned char* made = nullptr;
    std::uint32_t madeRow = 0;
    if (level.halves) {
        const bool three = channels_ == 3;
        if (!level.pending) {
            (three ? SumPairs<3> : SumPairs<4>)(row, level.size.width, level.pairSums.data());
            level.pending = true;
            return;
        }
        (three ? AverageBoxes<3> : AverageBoxes<4>)(level.pairSums.data(), row, level.size.width,
                                                   level.out.data());
        level.pending = false;
        made = level.out.data();
        madeRow = level.made++;
    } else {
        made = level.reducer.add(row, madeRow);
        if (!made)
            return;
    }
    deliver(static_cast<unsigned>(index + 1), madeRow, made);
    if (index + 1 < levels_.size())
        addTo(index + 1, made, deliver);
}

} // namespace imagedecode
