#include "settings.h"

#include <irrlicht.h>

#include <gtest/gtest.h>

using namespace irr;

namespace {

Settings decode(std::initializer_list<u8> bytes)
{
    u8 buffer[SettingsBytes] = {};
    std::copy(bytes.begin(), bytes.end(), buffer);
    return DecodeSettings(buffer);
}

// Reads `bytes` as if they were "config.cfg" into a zeroed buffer.
Settings readFile(const std::string& bytes)
{
    IrrlichtDevice* probe = createDevice(video::EDT_NULL);
    probe->getLogger()->setLogLevel(ELL_NONE);
    std::string copy = bytes;
    io::IReadFile* file = probe->getFileSystem()->createMemoryReadFile(
        copy.data(), s32(copy.size()), "config.cfg", false);
    u8 buffer[SettingsBytes] = {};
    const Settings settings = ReadSettings(file, buffer);
    file->drop();
    probe->drop();
    return settings;
}

void expectSettings(const Settings& settings, u8 renderer, s32 resx, s32 resy, u8 bpp,
                    bool screenmode, bool stencil, bool vsync)
{
    EXPECT_EQ(settings.renderer, renderer);
    EXPECT_EQ(settings.resx, resx);
    EXPECT_EQ(settings.resy, resy);
    EXPECT_EQ(settings.bpp, bpp);
    EXPECT_EQ(settings.screenmode != 0, screenmode);
    EXPECT_EQ(settings.stencil != 0, stencil);
    EXPECT_EQ(settings.vsync != 0, vsync);
}

TEST(Settings, DecodesWhatTheLauncherWrites)
{
    // OpenGL, 800 x 600, 32 bits, windowed, stencil buffer, no vertical sync.
    expectSettings(decode({5, 3, 32, 2, 88, 32, 0, 1, 0}), 5, 800, 600, 32, false, true, false);
    expectSettings(decode({2, 4, 0, 3, 0, 16, 1, 0, 1}), 2, 1024, 768, 16, true, false, true);
}

TEST(Settings, SizesAreUnsignedBigEndian)
{
    const Settings settings = decode({5, 255, 255, 128, 0, 32});
    EXPECT_EQ(settings.resx, 65535);
    EXPECT_EQ(settings.resy, 32768);
}

TEST(Settings, AnyNonZeroFlagByteIsOn)
{
    expectSettings(decode({5, 3, 32, 2, 88, 32, 2, 255, 128}), 5, 800, 600, 32, true, true, true);
}

TEST(Settings, RendererAndDepthBytesPassUnchanged)
{
    const Settings settings = decode({200, 0, 1, 0, 1, 255});
    EXPECT_EQ(settings.renderer, 200);
    EXPECT_EQ(settings.bpp, 255);
}

TEST(Settings, BytesNineAndTenAreIgnored)
{
    const Settings plain = decode({5, 3, 32, 2, 88, 32, 0, 1, 0});
    const Settings longer = decode({5, 3, 32, 2, 88, 32, 0, 1, 0, 77, 99});
    expectSettings(longer, plain.renderer, plain.resx, plain.resy, plain.bpp, plain.screenmode,
                   plain.stencil, plain.vsync);
}

TEST(Settings, ShortFilesLeaveMissingValuesZero)
{
    expectSettings(readFile(""), 0, 0, 0, 0, false, false, false);
    expectSettings(readFile(std::string("\5\3\40", 3)), 5, 800, 0, 0, false, false, false);
    expectSettings(readFile(std::string("\5\3\40\2\130\40\0\1", 8)), 5, 800, 600, 32, false, true,
                   false);
}

TEST(Settings, LongFilesAreReadFromTheStart)
{
    const std::string bytes("\5\3\40\2\130\40\0\1\0\11\12\13\14\15\16\17", 16);
    expectSettings(readFile(bytes), 5, 800, 600, 32, false, true, false);
}

TEST(Settings, NoFileGivesTheDefaults)
{
    u8 buffer[SettingsBytes] = {};
    expectSettings(ReadSettings(nullptr, buffer), video::EDT_OPENGL, 800, 600, 32, false, false,
                   false);
}

TEST(Settings, ReleasingTheProbeClearsItsPointers)
{
    IrrlichtDevice* probe = createDevice(video::EDT_NULL);
    probe->getLogger()->setLogLevel(ELL_NONE);
    io::IFileSystem* fileSystem = probe->getFileSystem();
    char bytes[] = "x";
    io::IReadFile* file = fileSystem->createMemoryReadFile(bytes, 1, "config.cfg", false);
    EXPECT_TRUE(ReleaseProbe(probe, fileSystem, file));
    EXPECT_EQ(probe, nullptr);
    EXPECT_EQ(fileSystem, nullptr);
    EXPECT_EQ(file, nullptr);

    // Without a settings file only the probe is released.
    probe = createDevice(video::EDT_NULL);
    fileSystem = probe->getFileSystem();
    EXPECT_TRUE(ReleaseProbe(probe, fileSystem, file));
    EXPECT_EQ(probe, nullptr);
}

TEST(Settings, WindowSizesFromOneToTheLimitAreAccepted)
{
    for (const u8 renderer : {1, 2, 5, 3, 4, 6, 255}) {
        EXPECT_TRUE(AcceptWindowSize(renderer, 1, 1));
        EXPECT_TRUE(AcceptWindowSize(renderer, 800, 600));
        EXPECT_TRUE(AcceptWindowSize(renderer, MaxWindowSide, MaxWindowSide));
    }
}

TEST(Settings, ImpossibleWindowSizesAreRefusedWithAMessage)
{
    const std::pair<s32, s32> sizes[] = {
        {0, 600},      {800, 0}, {0, 0}, {MaxWindowSide + 1, 600}, {800, MaxWindowSide + 1},
        {65535, 65535}};
    for (const u8 renderer : {1, 2, 5, 3, 4, 6, 255})
        for (const auto& [resx, resy] : sizes) {
            testing::internal::CaptureStderr();
            EXPECT_FALSE(AcceptWindowSize(renderer, resx, resy));
            const std::string message = testing::internal::GetCapturedStderr();
            const std::string size = std::to_string(resx) + " x " + std::to_string(resy);
            EXPECT_NE(message.find(size), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
        }
}

// The null renderer opens no window, so its size does not matter.
TEST(Settings, NullRendererTakesAnySize)
{
    testing::internal::CaptureStderr();
    EXPECT_TRUE(AcceptWindowSize(video::EDT_NULL, 0, 0));
    EXPECT_TRUE(AcceptWindowSize(video::EDT_NULL, 65535, 65535));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
