// The area filter's less common paths: sums too large for 32 bits, and the
// second thread that reduces rows while the decoder goes on.
#include "reducing_sink.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace imagedecode;

// A picture so tall that a row of sums passes 2^32: one column of 17.5
// million rows, to 3 rows, against sums worked out here.
TEST(AreaReducer, AveragesPicturesTallerThanThirtyTwoBitSums)
{
    const PictureSize from{1, 17500000}, to{1, 3};
    const auto value = [](std::uint64_t y, unsigned c) {
        return static_cast<unsigned char>(255 - (y * (c + 1) / 1000) % 6);
    };
    AreaReducer reducer;
    reducer.setUp(from, to, 3);
    std::vector<unsigned char> out;
    for (std::uint32_t y = 0; y < from.height; ++y) {
        const unsigned char row[3] = {value(y, 0), value(y, 1), value(y, 2)};
        std::uint32_t index = 0;
        if (const unsigned char* done = reducer.add(row, index))
            out.insert(out.end(), done, done + 3);
    }
    // Output row r covers input rows [r h / 3, (r + 1) h / 3), in thirds of
    // a row at its ends.
    std::vector<unsigned char> expected;
    for (std::uint64_t r = 0; r < to.height; ++r)
        for (unsigned c = 0; c < 3; ++c) {
            const std::uint64_t start = r * from.height, end = start + from.height;
            std::uint64_t sum = 0;
            for (std::uint64_t y = start / to.height; y * to.height < end; ++y) {
                const std::uint64_t a = std::max(y * to.height, start);
                const std::uint64_t b = std::min((y + 1) * to.height, end);
                sum += value(y, c) * (b - a);
            }
            expected.push_back(static_cast<unsigned char>((2 * sum + from.height) /
                                                          (2 * std::uint64_t(from.height))));
        }
    EXPECT_EQ(out, expected);
}

} // namespace
