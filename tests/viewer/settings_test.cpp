#include "settings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace irr;

// Renderer, size, depth, full screen, stencil buffer and vsync from "config.cfg".
TEST(Settings, DecodesTheFileTheLauncherWrites)
{
    IrrlichtDevice* probe = createDevice(video::EDT_NULL);
    const std::pair<std::string, std::vector<int>> cases[] = {
        {std::string("\5\3\40\2\130\40\0\1\0", 9), {5, 800, 600, 32, 0, 1, 0}},
        {std::string("\5\377\377\377\377\40\0\0\0", 9), {5, 65535, 65535, 32, 0, 0, 0}},
        {std::string("\2\4\0\3\0\20\2\377\2", 9), {2, 1024, 768, 16, 1, 1, 1}},
        // Bytes 9 and 10, and any after them, are ignored.
        {std::string("\5\3\40\2\130\40\0\1\0\115\143\1\1", 13), {5, 800, 600, 32, 0, 1, 0}},
        // A short file leaves the values it lacks zero.
        {std::string("\5\3\40", 3), {5, 800, 0, 0, 0, 0, 0}},
        {std::string(), {0, 0, 0, 0, 0, 0, 0}},
        // Without a file: OpenGL, 800 x 600, 32 bits, windowed.
        {"none", {5, 800, 600, 32, 0, 0, 0}}};
    for (auto [bytes, expected] : cases) {
        io::IReadFile* file = bytes == "none" ? nullptr
                                              : probe->getFileSystem()->createMemoryReadFile(
                                                    bytes.data(), s32(bytes.size()), "", false);
        u8 buffer[SettingsBytes] = {};
        const Settings s = ReadSettings(file, buffer);
        EXPECT_EQ(std::vector<int>({s.renderer, s.resx, s.resy, s.bpp, s.screenmode != 0,
                                    s.stencil != 0, s.vsync != 0}),
                  expected)
            << bytes.size() << " bytes";
        if (file)
            file->drop();
    }
    probe->drop();
}
