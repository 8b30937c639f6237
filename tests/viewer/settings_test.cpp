#include "settings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace irr;

namespace {

std::vector<int> Fields(const Settings& s)
{
    return {s.renderer, s.resx, s.resy, s.bpp, s.screenmode, s.stencil, s.vsync};
}

// The record of "config.cfg" in file order, sizes big-endian and unsigned; the
// flag bytes are kept as they are (any non-zero one switches its option on).
TEST(Settings, RecordHoldsTheSettingsInFileOrder)
{
    const std::pair<SettingsRecord, Settings> cases[] = {
        {{5, 3, 32, 2, 88, 32, 0, 1, 0}, {5, 800, 600, 32, 0, 1, 0}},
        {{5, 255, 255, 255, 255, 32, 0, 0, 0}, {5, 65535, 65535, 32, 0, 0, 0}},
        {{2, 4, 0, 3, 0, 16, 2, 255, 1}, {2, 1024, 768, 16, 2, -1, 1}}};
    for (const auto& [record, settings] : cases) {
        EXPECT_EQ(Fields(DecodeSettings(record.data())), Fields(settings));
        EXPECT_EQ(EncodeSettings(settings), record);
    }
}

// The viewer reads the first bytes of the file: those after the ninth are
// ignored, those a short file lacks are zero; without a file, the defaults.
TEST(Settings, ViewerReadsTheFirstBytesOfTheFile)
{
    IrrlichtDevice* probe = createDevice(video::EDT_NULL);
    const std::pair<std::string, std::vector<int>> cases[] = {
        {std::string("\5\3\40\2\130\40\0\1\0\115\143\1\1", 13), {5, 800, 600, 32, 0, 1, 0}},
        {std::string("\5\3\40", 3), {5, 800, 0, 0, 0, 0, 0}},
        {std::string(), {0, 0, 0, 0, 0, 0, 0}},
        {"none", {5, 800, 600, 32, 0, 0, 0}}};
    for (auto [bytes, expected] : cases) {
        io::IReadFile* file = bytes == "none" ? nullptr
                                              : probe->getFileSystem()->createMemoryReadFile(
                                                    bytes.data(), s32(bytes.size()), "", false);
        u8 buffer[SettingsReadSize] = {};
        EXPECT_EQ(Fields(ReadSettings(file, buffer)), expected) << bytes.size() << " bytes";
        if (file)
            file->drop();
    }
    probe->drop();
}

} // namespace
