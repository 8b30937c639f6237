// The mipmap chain made from a picture's rows: the sizes of its levels, and
// each level the exact area average of the one above, rounded halves up,
// whatever the sides (even, odd, 1), the channels and the order of the rows.
#include "area_average.h"
#include "mipmap_chain.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using imagedecode::MipmapChain;
using imagedecode::PictureSize;

struct Level
{
    PictureSize size;
    std::vector<unsigned char> samples;
};

// The chain's levels, its rows given from the top or from the bottom; rows
// arriving more than once, or out of order, fail the test.
std::vector<Level> Chain(const Level& picture, unsigned channels, bool fromBottom)
{
    MipmapChain chain;
    chain.setUp(picture.size, channels);
    std::vector<Level> levels;
    std::vector<std::uint32_t> arrived;
    for (unsigned l = 1; l <= chain.levels(); ++l) {
        const PictureSize size = chain.size(l);
        levels.push_back(
            {size, std::vector<unsigned char>(std::size_t(size.width) * size.height * channels)});
        arrived.push_back(0);
    }
    const MipmapChain::Deliver deliver = [&](unsigned l, std::uint32_t row,
                                             const unsigned char* pixels) {
        Level& level = levels.at(l - 1);
        EXPECT_EQ(row, arrived[l - 1]++) << "level " << l;
        const std::uint32_t at = fromBottom ? level.size.height - 1 - row : row;
        const std::size_t bytes = std::size_t(level.size.width) * channels;
        std::copy(pixels, pixels + bytes, level.samples.begin() + at * bytes);
    };
    const std::size_t bytes = std::size_t(picture.size.width) * channels;
    for (std::uint32_t i = 0; i < picture.size.height; ++i) {
        const std::uint32_t y = fromBottom ? picture.size.height - 1 - i : i;
        chain.add(picture.samples.data() + y * bytes, deliver);
    }
    for (unsigned l = 1; l <= chain.levels(); ++l)
        EXPECT_EQ(arrived[l - 1], levels[l - 1].size.height) << "level " << l;
    return levels;
}

TEST(MipmapChain, HalvesEachSideDownToOnePixel)
{
    const struct
    {
        PictureSize top;
        std::vector<PictureSize> levels;
    } cases[] = {
        {{8, 4}, {{4, 2}, {2, 1}, {1, 1}}},
        {{5, 3}, {{2, 1}, {1, 1}}},
        {{1, 7}, {{1, 3}, {1, 1}}},
        {{1, 1}, {}},
    };
    for (const auto& c : cases) {
        MipmapChain chain;
        chain.setUp(c.top, 3);
        std::vector<PictureSize> levels;
        for (unsigned l = 1; l <= chain.levels(); ++l)
            levels.push_back(chain.size(l));
        EXPECT_EQ(levels, c.levels) << c.top.width << " x " << c.top.height;
        EXPECT_EQ(chain.size(0), c.top);
    }
}

// Random pictures of even, odd and mixed sides, with three channels and
// four, from the top and from the bottom, against the plain area average of
// each level from the one above.
TEST(MipmapChain, EveryLevelIsTheAreaAverageOfTheOneAbove)
{
    std::mt19937 random(7);
    const PictureSize sizes[] = {{64, 32}, {37, 19}, {40, 9}, {13, 1}, {1, 12}, {96, 6}};
    for (const PictureSize size : sizes)
        for (const unsigned channels : {3u, 4u})
            for (const bool fromBottom : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << size.width << " x " << size.height << ", " << channels
                             << " channels" << (fromBottom ? ", from the bottom" : ""));
                Level picture{size, {}};
                for (std::size_t i = 0; i < std::size_t(size.width) * size.height * channels; ++i)
                    picture.samples.push_back(static_cast<unsigned char>(random()));
                const std::vector<Level> levels = Chain(picture, channels, fromBottom);
                const Level* above = &picture;
                for (std::size_t l = 0; l < levels.size(); ++l) {
                    EXPECT_EQ(levels[l].samples,
                              testimages::AreaAverage(above->samples, above->size, levels[l].size,
                                                      channels))
                        << "level " << l + 1;
                    above = &levels[l];
                }
                ASSERT_FALSE(levels.empty());
                EXPECT_EQ(levels.back().size, (PictureSize{1, 1}));
            }
}

} // namespace
