// JPEG strictness with care for real cameras, on baseline, progressive and
// arithmetic-coded files alike: bytes after the end marker (phones' motion
// photos) and padding before it load with the picture unchanged, as do stray
// bytes between the header's markers; other bytes before a marker after the
// picture data, data cut short, and every single bit flip in the compressed
// data that the library reports as corrupt when it reads to the end marker
// are refused.
#include "bytes_file.h"
#include "checking_sink.h"
#include "imagedecode.h"
#include "testimages.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <jerror.h>

#include <algorithm>

namespace {

using Bytes = std::vector<unsigned char>;

struct Coding
{
    const char* name;
    bool progressive;
    bool arithmetic;
};

void PrintTo(const Coding& c, std::ostream* os)
{
    *os << c.name;
}

// Where the compressed data of each scan lies: from after its header to the
// next marker other than a restart marker.
std::vector<std::pair<std::size_t, std::size_t>> ScanData(const Bytes& b)
{
    std::vector<std::pair<std::size_t, std::size_t>> scans;
    for (std::size_t i = 2; i + 4 <= b.size() && b[i + 1] != 0xD9;) {
        const std::size_t length = std::size_t(b[i + 2]) << 8 | b[i + 3];
        const bool scan = b[i + 1] == 0xDA;
        i += 2 + length;
        if (!scan)
            continue;
        const std::size_t start = i;
        while (i + 1 < b.size() &&
               !(b[i] == 0xFF && b[i + 1] != 0 && (b[i + 1] < 0xD0 || b[i + 1] > 0xD7)))
            ++i;
        scans.emplace_back(start, i);
    }
    return scans;
}

// What libjpeg itself reads from a file, as RGB bytes, and its warnings.
struct Reading
{
    Bytes pixels; // empty when it fails
    std::vector<int> warnings;
};

Reading ReadWithLibjpeg(const Bytes& b)
{
    Reading reading;
    for (std::uint32_t c : testimages::ReadJpegWithLibjpeg(b, &reading.warnings).argb)
        reading.pixels.insert(reading.pixels.end(),
                              {static_cast<unsigned char>(c >> 16),
                               static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)});
    return reading;
}

struct Outcome
{
    bool ok = false;
    std::string reason;
    Bytes pixels;
};

Outcome Decode(const Bytes& b)
{
    CheckingSink sink(imagedecode::FormatOf(imagedecode::FileFormat::Jpeg).flags);
    const Decoded decoded = DecodeBytes(b, sink);
    EXPECT_TRUE(!decoded.opened || decoded.format->id == imagedecode::FileFormat::Jpeg);
    EXPECT_EQ(sink.faults(), "");
    return {decoded.decoded, decoded.reason, sink.pixels()};
}

Bytes Insert(Bytes b, std::size_t at, const Bytes& bytes)
{
    b.insert(b.begin() + std::ptrdiff_t(at), bytes.begin(), bytes.end());
    return b;
}

class JpegCodings : public testing::TestWithParam<Coding>
{
protected:
    const Bytes file = testimages::EncodeJpeg(testimages::MakeTrueColor(96, 64, false), "RGB",
                                              GetParam().progressive, GetParam().arithmetic);
    const Bytes expected = ReadWithLibjpeg(file).pixels;
    const std::size_t end = file.size() - 2; // the end marker
};

// A video appended as phones do, with bytes that look like markers in it.
TEST_P(JpegCodings, BytesAfterTheEndMarkerLoad)
{
    Bytes video = {0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'm', 'p', '4', '2'};
    for (unsigned i = 0; i < 65536; ++i)
        video.push_back(static_cast<unsigned char>(i % 7 == 0 ? 0xFF : i * 13 + i / 251));
    const Outcome d = Decode(Insert(file, file.size(), video));
    ASSERT_TRUE(d.ok) << d.reason;
    EXPECT_EQ(d.pixels, expected);
}

// Padding before the end marker, as some cameras write it, and stray bytes
// between the header's markers: the library warns of extraneous bytes. (It
// reads up to 7 bytes after the data of a sequential scan without a word.)
TEST_P(JpegCodings, PaddingAndStrayHeaderBytesLoad)
{
    const std::size_t secondMarker = 4 + (std::size_t(file[4]) << 8 | file[5]); // after JFIF
    for (const Bytes& b : {Insert(file, end, Bytes(64, 0)), Insert(file, end, Bytes(9, 0x5A)),
                           Insert(file, secondMarker, {1, 2, 3})}) {
        const std::vector<int> warnings = ReadWithLibjpeg(b).warnings;
        ASSERT_EQ(warnings, std::vector<int>{JWRN_EXTRANEOUS_DATA});
        const Outcome d = Decode(b);
        ASSERT_TRUE(d.ok) << d.reason;
        EXPECT_EQ(d.pixels, expected);
    }
}

// Bytes before a marker that are not padding: compressed data left over.
TEST_P(JpegCodings, LeftOverDataIsRefused)
{
    Bytes leftOver;
    for (unsigned i = 0; i < 64; ++i)
        leftOver.push_back(static_cast<unsigned char>(i * 37 + 11));
    ASSERT_EQ(ReadWithLibjpeg(Insert(file, end, leftOver)).warnings,
              std::vector<int>{JWRN_EXTRANEOUS_DATA});
    const Outcome d = Decode(Insert(file, end, leftOver));
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.reason.find("extraneous"), std::string::npos) << d.reason;
}

TEST_P(JpegCodings, DataCutShortIsRefused)
{
    for (std::size_t length : {end, end * 9 / 10, end / 2, ScanData(file).front().first + 1}) {
        const Outcome d = Decode(Bytes(file.begin(), file.begin() + std::ptrdiff_t(length)));
        EXPECT_FALSE(d.ok) << length;
    }
}

// Single bit flips all over the compressed data: every one the library
// reports as corrupt, up to the end marker, is refused. What loads is what
// the library reads (a flip it cannot tell from data).
TEST_P(JpegCodings, CorruptDataIsRefused)
{
    int reported = 0;
    for (const auto& [start, stop] : ScanData(file))
        for (std::size_t bit = 8 * start; bit < 8 * stop; bit += 37) {
            Bytes b = file;
            b[bit / 8] ^= static_cast<unsigned char>(1 << bit % 8);
            const Reading reference = ReadWithLibjpeg(b);
            const bool corrupt = reference.pixels.empty() ||
                                 std::any_of(reference.warnings.begin(), reference.warnings.end(),
                                             [](int code) { return code != JWRN_EXTRANEOUS_DATA; });
            reported += corrupt;
            const Outcome d = Decode(b);
            EXPECT_FALSE(corrupt && d.ok) << "bit " << bit;
            EXPECT_TRUE(!d.ok || d.pixels == reference.pixels) << "bit " << bit;
        }
    EXPECT_GT(reported, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCoding, JpegCodings,
    testing::Values(Coding{"Baseline", false, false}, Coding{"Progressive", true, false},
                    Coding{"Arithmetic", false, true}, Coding{"ArithmeticProgressive", true, true}),
    [](const testing::TestParamInfo<Coding>& test) { return test.param.name; });

} // namespace
