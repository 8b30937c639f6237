// The mipmap chain made from a picture's rows: the sizes of its levels, and
// each level the exact area average of the one above, rounded halves up,
// whatever the sides (even, odd, 1), the channels and the order of the rows.
#include "mipmap_chain.h"

#include <gtest/gtest.h>

#include <cmath>
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

// The level below `above`, each pixel the average of the area it covers,
// computed the plain way.
Level AreaAverage(const Level& above, PictureSize size, unsigned channels)
{
    Level level{size, std::vector<unsigned char>(std::size_t(size.width) * size.height * channels)};
    const double sx = double(above.size.width) / size.width;
    const double sy = double(above.size.height) / size.height;
    auto overlap = [](double a0, double a1, double b0, double b1) {
        return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
    };
    for (std::uint32_t y = 0; y < size.height; ++y)
        for (std::uint32_t x = 0; x < size.width; ++x)
            for (unsigned c = 0; c < channels; ++c) {
                double sum = 0;
                for (std::uint32_t v = 0; v < above.size.height; ++v) {
                    const double wy = overlap(y * sy, (y + 1) * sy, v, v + 1.0);
                    for (std::uint32_t u = 0; wy > 0 && u < above.size.width; ++u)
                        sum += wy * overlap(x * sx, (x + 1) * sx, u, u + 1.0) *
                               above.samples[(std::size_t(v) * above.size.width + u) * channels + c];
                }
                level.samples[(std::size_t(y) * size.width + x) * channels + c] =
                    static_cast<unsigned char>(std::floor(sum / (sx * sy) + 0.5 + 1e-9));
            }
    return level;
}

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
        levels.push_back({size, std::vector<unsigned char>(std::size_t(size.width) * size.height *
                                                           channels)});
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
                SCOPED_TRACE(testing::Message() << size.width << " x " << size.height << ", "
                                                << channels << " channels"
                                                << (fromBottom ? ", from the bottom" : ""));
                Level picture{size, {}};
                for (std::size_t i = 0; i < std::size_t(size.width) * size.height * channels; ++i)
                    picture.samples.push_back(static_cast<unsigned char>(random()));
                const std::vector<Level> levels = Chain(picture, channels, fromBottom);
                const Level* above = &picture;
                for (std::size_t l = 0; l < levels.size(); ++l) {
                    const Level expected = AreaAverage(*above, levels[l].size, channels);
                    EXPECT_EQ(levels[l].samples, expected.samples) << "level " << l + 1;
                    above = &levels[l];
                }
                ASSERT_FALSE(levels.empty());
                EXPECT_EQ(levels.back().size, (PictureSize{1, 1}));
            }
}

} // namespace
