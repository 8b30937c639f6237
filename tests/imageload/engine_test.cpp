// Valid files of every format and variant load with the same size, pixels,
// orientation, colour order and alpha as with the engine's own decoders.
#include "cases.h"
#include "decode.h"
#include "imageload.h"
#include "null_engine.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

using namespace irr;

namespace {

class MatchesEngine : public testing::TestWithParam<ImageCase>
{};

TEST_P(MatchesEngine, SamePixels)
{
    const ImageCase& c = GetParam();
    NullEngine engine;
    video::IImage* expected = c.reference.empty()
                                  ? engine.engineDecode(c.bytes, c.extension)
                                  : engine.engineDecode(c.reference, c.referenceExtension);
    ASSERT_NE(expected, nullptr) << "the engine cannot read this test file";
    std::string reason;
    video::IImage* actual =
        imageload::DecodePanoramaImage(engine.driver, c.bytes.data(), c.bytes.size(), reason);
    ASSERT_NE(actual, nullptr) << reason;
    ASSERT_EQ(actual->getDimension(), expected->getDimension());
    EXPECT_TRUE(actual->getColorFormat() == video::ECF_R8G8B8 ||
                actual->getColorFormat() == video::ECF_A8R8G8B8);

    const unsigned shift = 8 - c.precision;
    int mismatches = 0;
    for (u32 y = 0; y < expected->getDimension().Height; ++y)
        for (u32 x = 0; x < expected->getDimension().Width; ++x) {
            video::SColor e = expected->getPixel(x, y);
            const video::SColor a = actual->getPixel(x, y);
            if (c.engineSwapsRedAndBlue)
                e = video::SColor(e.getAlpha(), e.getBlue(), e.getGreen(), e.getRed());
            auto differs = [&](u32 ev, u32 av) {
                ev >>= shift;
                av >>= shift;
                return (ev > av ? ev - av : av - ev) > c.tolerance;
            };
            const bool bad = differs(e.getRed(), a.getRed()) ||
                             differs(e.getGreen(), a.getGreen()) ||
                             differs(e.getBlue(), a.getBlue()) ||
                             (c.compareAlpha && differs(e.getAlpha(), a.getAlpha()));
            if (bad && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": engine " << std::hex << e.color
                              << ", ours " << a.color << " (engine format " << std::dec
                              << expected->getColorFormat() << ")";
        }
    EXPECT_EQ(mismatches, 0);
    expected->drop();
    actual->drop();
}

INSTANTIATE_TEST_SUITE_P(EveryVariant, MatchesEngine, testing::ValuesIn(ValidCases()),
                         [](const testing::TestParamInfo<ImageCase>& info) {
                             return info.param.name;
                         });

} // namespace
