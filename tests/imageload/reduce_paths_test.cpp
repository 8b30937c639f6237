// The stages' less common paths: the area filter's sums too large for 32
// bits, the second thread that reduces rows while the decoder goes on, and
// the canvas a picture is padded into, for pictures bottom-up and of
// several passes.
#include "checking_sink.h"
#include "fed_rows.h"
#include "pad_stage.h"
#include "reduce_stage.h"
#include "reproject_stage.h"
#include "texture_size.h"

#include <cmath>

#include <gtest/gtest.h>

#include <algorithm>
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

using testimages::Feed;
using testimages::RowsPicture;

RowsPicture RandomPicture(PixelLayout layout, RowOrder order)
{
    return testimages::RandomPicture(301, 157, layout, order);
}

// Through the sink, whose second thread reduces the rows (more of them than
// its rings hold), the same rows as from the reducer alone, each in its
// place, top-down and bottom-up, three and four channels.
TEST(ReduceStage, ReducesBesideTheDecoderAsTheReducerAlone)
{
    for (PixelLayout layout : {PixelLayout::Rgb24, PixelLayout::Argb32})
        for (RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
            const RowsPicture r = RandomPicture(layout, order);
            TextureLimits limits;
            limits.maxWidth = 43;
            CheckingSink checking(RowsBottomUp);
            {
                ReduceStage reducing(TextureSize({301, 157}, limits), checking);
                std::string reason;
                ASSERT_TRUE(Feed(r, reducing, reason)) << reason;
                // Every row is out once the last is committed.
                EXPECT_TRUE(checking.complete());
            }
            EXPECT_EQ(checking.faults(), "");
            const PictureSize to = TextureSize({301, 157}, limits);
            const unsigned channels = unsigned(BytesPerPixel(layout));
            AreaReducer alone;
            alone.setUp({301, 157}, to, channels);
            std::vector<unsigned char> expected(std::size_t(to.width) * to.height * channels);
            const std::size_t inBytes = std::size_t(301) * channels;
            const std::size_t outBytes = std::size_t(to.width) * channels;
            for (std::uint32_t i = 0; i < 157; ++i) {
                // The reducer takes rows from the top.
                std::uint32_t done = 0;
                if (const unsigned char* row = alone.add(r.rows.data() + i * inBytes, done))
                    std::copy_n(row, outBytes, expected.data() + done * outBytes);
            }
            EXPECT_EQ(checking.pixels(), expected);
        }
}

// A decoder that fails part way leaves the sink with rows still being
// reduced: it stops its thread as it goes, at any point, and the output
// sink gets no row after the failure.
TEST(ReduceStage, StopsItsThreadWhenTheDecoderFailsPartWay)
{
    const RowsPicture r = RandomPicture(PixelLayout::Rgb24, RowOrder::TopDown);
    TextureLimits limits;
    limits.maxWidth = 20;
    for (std::uint32_t rows : {0u, 1u, 16u, 40u, 100u, 156u}) {
        CheckingSink checking(0);
        std::vector<unsigned char> before;
        {
            ReduceStage reducing(TextureSize({301, 157}, limits), checking);
            std::string reason;
            EXPECT_FALSE(Feed(r, reducing, reason, rows));
            EXPECT_EQ(reason, "");
            before = checking.pixels();
        }
        EXPECT_FALSE(checking.complete()) << rows;
        EXPECT_EQ(checking.faults(), "") << rows;
        EXPECT_EQ(checking.pixels(), before) << rows;
    }
}

// What the re-projection should make of `r`'s rows for output rows whose
// edges lie at `edges` in the input: worked out here sample by sample, in
// doubles.
std::vector<unsigned char> Reprojected(const RowsPicture& r, const std::vector<double>& edges)
{
    const std::size_t rowBytes = std::size_t(r.info.width) * BytesPerPixel(r.info.layout);
    std::vector<unsigned char> out;
    for (std::size_t row = 0; row + 1 < edges.size(); ++row) {
        const double from = edges[row], to = edges[row + 1];
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const auto sample = [&](std::size_t y) { return double(r.rows[y * rowBytes + i]); };
            double v = 0;
            if (to - from >= 1) {
                for (std::size_t y = std::size_t(from); double(y) < to; ++y)
                    v += sample(y) * (std::min(to, y + 1.0) - std::max(from, double(y)));
                v /= to - from;
            } else {
                const double middle = std::clamp((from + to) / 2 - 0.5, 0.0, r.info.height - 1.0);
                const std::size_t above = std::size_t(middle);
                const double below = middle - above;
                v = sample(above) * (1 - below) +
                    (below > 0 ? sample(std::min<std::size_t>(above + 1, r.info.height - 1)) * below
                               : 0);
            }
            out.push_back(static_cast<unsigned char>(std::min(255.0, v + 0.5)));
        }
    }
    return out;
}

// Rows moved to other heights: squeezed (averages of the rows each output
// row spans, parts of rows weighted), stretched (two rows around the middle,
// weighted linearly), and unevenly, both at once, as a cylinder's rows
// become an equirectangular panorama's; top-down as the rows come, and kept
// whole for a picture of several passes. Within a step of the average worked
// out here (the stage sums in floats).
TEST(ReprojectStage, MovesRowsToTheHeightsItsMapGives)
{
    const struct
    {
        const char* name;
        std::uint32_t height;
        ReprojectStage::RowMap map;
    } maps[] = {
        {"same", 157, [](double e, std::uint32_t h) { return e * h / 157; }},
        {"squeezed", 40, [](double e, std::uint32_t h) { return e * h / 40; }},
        {"stretched", 400, [](double e, std::uint32_t h) { return e * h / 400; }},
        {"tangent", 120,
         [](double e, std::uint32_t h) {
             return (std::tan((e / 120 - 0.5) * 1.4) / std::tan(0.7) + 1) / 2 * h;
         }},
    };
    for (const auto& m : maps)
        for (unsigned passes : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << m.name << ", passes " << passes);
            RowsPicture r = RandomPicture(PixelLayout::Argb32, RowOrder::TopDown);
            r.info.passes = passes;
            std::vector<double> edges;
            for (std::uint32_t e = 0; e <= m.height; ++e)
                edges.push_back(std::clamp(m.map(e, r.info.height), 0.0, double(r.info.height)));
            CheckingSink checking(RowsMoreThanOnce);
            ReprojectStage reproject(m.height, m.map, checking);
            std::string reason;
            ASSERT_TRUE(Feed(r, reproject, reason)) << reason;
            EXPECT_TRUE(checking.complete());
            EXPECT_EQ(checking.faults(), "");
            const std::vector<unsigned char> expected = Reprojected(r, edges);
            ASSERT_EQ(checking.pixels().size(), expected.size());
            int off = 0;
            for (std::size_t i = 0; i < expected.size(); ++i)
                off += std::abs(int(checking.pixels()[i]) - int(expected[i])) > 1;
            EXPECT_EQ(off, 0);
        }
}

// Rows go to their place in the canvas, opaque black all round, in the
// order the picture declares and in every pass of an interlaced one, inside
// the canvas or reaching its right and bottom edges; a picture that does not
// fit its place is refused.
TEST(PadStage, PlacesThePictureInABlackCanvas)
{
    const PictureSize canvas{400, 200};
    const std::pair<std::uint32_t, std::uint32_t> places[] = {{50, 20}, {99, 43}};
    for (const auto& [left, top] : places)
        for (PixelLayout layout : {PixelLayout::Rgb24, PixelLayout::Argb32})
            for (RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp})
                for (unsigned passes : {1u, 3u}) {
                    SCOPED_TRACE(testing::Message() << left << "," << top << " " << int(layout)
                                                    << int(order) << passes);
                    RowsPicture r = RandomPicture(layout, order);
                    r.info.passes = passes;
                    const std::size_t pixelBytes = BytesPerPixel(layout);
                    std::vector<unsigned char> expected;
                    const unsigned char black[4] = {0, 0, 0, 0xFF}; // 0xFF000000 on little-endian
                    for (std::uint32_t i = 0; i < canvas.width * canvas.height; ++i)
                        expected.insert(expected.end(), black, black + pixelBytes);
                    for (std::uint32_t y = 0; y < r.info.height; ++y)
                        std::copy_n(r.rows.data() + y * r.info.width * pixelBytes,
                                    r.info.width * pixelBytes,
                                    expected.data() +
                                        ((top + y) * canvas.width + left) * pixelBytes);

                    CheckingSink checking(RowsBottomUp | RowsMoreThanOnce);
                    PadStage pad(canvas, left, top, checking);
                    std::string reason;
                    ASSERT_TRUE(Feed(r, pad, reason)) << reason;
                    EXPECT_TRUE(checking.complete());
                    EXPECT_EQ(checking.faults(), "");
                    EXPECT_EQ(checking.picture().passes, passes);
                    EXPECT_EQ(checking.pixels(), expected);
                }

    CheckingSink checking(0);
    PadStage pad({301, 157}, 0, 1, checking);
    std::string reason;
    EXPECT_FALSE(pad.begin(RandomPicture(PixelLayout::Rgb24, RowOrder::TopDown).info, reason));
    EXPECT_NE(reason, "");
}

} // namespace
