#include "mipmap_chain.h"

#include <algorithm>

namespace imagedecode {

namespace {

// Two rows' samples added where they lie, over the whole row: the one loop
// that the vectoriser makes wide.
void SumColumns(const unsigned char* __restrict upper, const unsigned char* __restrict lower,
                std::size_t samples, std::uint16_t* __restrict sums)
{
    for (std::size_t i = 0; i < samples; ++i)
        sums[i] = std::uint16_t(upper[i] + lower[i]);
}

// The column sums of pixels 2x and 2x + 1 added: the average of each 2 x 2
// box, rounded halves up.
template <unsigned Channels>
void AverageBoxes(const std::uint16_t* __restrict sums, std::uint32_t width,
                  unsigned char* __restrict out)
{
    for (std::uint32_t x = 0; x < width; ++x, sums += 2 * Channels, out += Channels)
        for (unsigned c = 0; c < Channels; ++c)
            out[c] = static_cast<unsigned char>((sums[c] + sums[Channels + c] + 2) >> 2);
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
            level.upper.resize(std::size_t(above.width) * channels);
            level.columnSums.resize(std::size_t(above.width) * channels);
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
        if (!level.pending) {
            std::copy(row, row + level.upper.size(), level.upper.begin());
            level.pending = true;
            return;
        }
        SumColumns(level.upper.data(), row, level.upper.size(), level.columnSums.data());
        (channels_ == 3 ? AverageBoxes<3> : AverageBoxes<4>)(level.columnSums.data(),
                                                            level.size.width, level.out.data());
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
