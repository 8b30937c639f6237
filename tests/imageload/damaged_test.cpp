// Damaged files, made from the valid ones with fixed seeds, load or are
// refused: never a crash, a hang or a read outside the file (the sanitizer
// build runs these same tests).
#include "cases.h"
#include "decode.h"
#include "imageload.h"
#include "null_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace irr;
using testimages::Bytes;

namespace {

struct Outcome
{
    int loaded = 0;
    int refused = 0;
};

void Try(NullEngine& engine, const Bytes& bytes, Outcome& outcome)
{
    std::string reason;
    video::IImage* image =
        imageload::DecodePanoramaImage(engine.driver, bytes.data(), bytes.size(), reason);
    if (!image) {
        EXPECT_FALSE(reason.empty());
        ++outcome.refused;
        return;
    }
    const core::dimension2d<u32> size = image->getDimension();
    EXPECT_GT(size.Width, 0u);
    EXPECT_LE(size.Width, imageload::MaxImageSide);
    EXPECT_LE(size.Height, imageload::MaxImageSide);
    EXPECT_LE(std::uint64_t(size.Width) * size.Height, imageload::MaxImagePixels);
    // Touch the corners so that a wrongly sized buffer shows.
    image->getPixel(0, 0);
    image->getPixel(size.Width - 1, size.Height - 1);
    image->drop();
    ++outcome.loaded;
}

std::mt19937 Seeded(const std::string& name, unsigned salt)
{
    return std::mt19937(static_cast<unsigned>(std::hash<std::string>()(name)) ^ salt);
}

class DamagedFiles : public testing::TestWithParam<ImageCase>
{
protected:
    NullEngine engine;
    Outcome outcome;
};

TEST_P(DamagedFiles, ChangedHeaderBytes)
{
    const Bytes& valid = GetParam().bytes;
    std::mt19937 random = Seeded(GetParam().name, 1);
    const std::size_t header = std::min<std::size_t>(valid.size(), 128);
    for (int i = 0; i < 300; ++i) {
        Bytes b = valid;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < changes; ++k)
            b[random() % header] = static_cast<unsigned char>(random());
        Try(engine, b, outcome);
    }
}

TEST_P(DamagedFiles, ChangedBytesAnywhere)
{
    const Bytes& valid = GetParam().bytes;
    std::mt19937 random = Seeded(GetParam().name, 2);
    for (int i = 0; i < 300; ++i) {
        Bytes b = valid;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < changes; ++k)
            b[random() % b.size()] = static_cast<unsigned char>(random());
        // Some files are also cut short.
        if (i % 3 == 0)
            b.resize(random() % b.size());
        Try(engine, b, outcome);
    }
}

TEST_P(DamagedFiles, CutShortAtEveryLength)
{
    const Bytes& valid = GetParam().bytes;
    const std::size_t step = valid.size() / 1500 + 1;
    for (std::size_t length = 0; length < valid.size(); length += step)
        Try(engine, Bytes(valid.begin(), valid.begin() + length), outcome);
    // At the least a file cut inside its header is refused.
    EXPECT_GT(outcome.refused, 0);
}

TEST_P(DamagedFiles, SizesAndCountsSetToExtremes)
{
    const Bytes& valid = GetParam().bytes;
    const std::size_t header = std::min<std::size_t>(valid.size(), 128);
    const std::uint32_t values[] = {0,      1,      0x7F,   0x80,       0xFF,        0x7FFF,
                                    0x8000, 0xFFFF, 0x4000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    for (std::size_t at = 0; at < header; ++at)
        for (std::uint32_t value : values)
            for (int width : {1, 2, 4})
                for (bool bigEndian : {false, true}) {
                    if (at + width > valid.size() || (width == 1 && bigEndian))
                        continue;
                    Bytes b = valid;
                    for (int k = 0; k < width; ++k) {
                        const int shift = 8 * (bigEndian ? width - 1 - k : k);
                        b[at + k] = static_cast<unsigned char>(value >> shift);
                    }
                    Try(engine, b, outcome);
                }
}

INSTANTIATE_TEST_SUITE_P(EveryVariant, DamagedFiles, testing::ValuesIn(ValidCases()),
                         [](const testing::TestParamInfo<ImageCase>& info) {
                             return info.param.name;
                         });

} // namespace

namespace {

// Found by fuzzing: a 46-byte header with bit fields put the colour masks
// past the end of a 64-byte file.
TEST(DamagedBmp, ColourMasksPastTheEndAreRefused)
{
    const Bytes file = {0x42, 0x4d, 0x00, 0x00, 0x00, 0x01, 0x06, 0x00, 0x02, 0x00, 0xbe,
                        0xff, 0x08, 0x00, 0x2e, 0x00, 0x00, 0x00, 0x0d, 0x00, 0x00, 0x00,
                        0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x10, 0x00, 0x03, 0x00, 0x00};
    Bytes padded = file;
    padded.resize(64, 0);
    padded[61] = 0x2b;
    std::string reason;
    imageload::DecodedImage image;
    EXPECT_FALSE(imageload::DecodeBmp(padded.data(), padded.size(), image, reason));
    EXPECT_FALSE(reason.empty());
}

} // namespace
