#include "scratch_folder.h"
#include "startup.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace irr;

namespace {

// The largest windows of each shape open, one pixel more does not (the
// message is checked end to end); the null renderer has no window.
TEST(Startup, WindowSizesFollowTheArea)
{
    const struct
    {
        u8 renderer;
        s32 width, height;
        bool accepted;
    } cases[] = {{5, 16384, 4096, true},  {5, 4096, 16384, true}, {2, 8192, 8192, true},
                 {1, 11520, 2160, true},  {5, 1, 1, true},        {0, 0, 65535, true},
                 {5, 16384, 4097, false}, {5, 8193, 8192, false}, {2, 16385, 1, false},
                 {2, 1, 16385, false},    {1, 0, 600, false},     {5, 65535, 65535, false}};
    testing::internal::CaptureStderr();
    for (const auto& c : cases)
        EXPECT_EQ(AcceptWindowSize(c.renderer, c.width, c.height), c.accepted)
            << c.width << " x " << c.height;
    testing::internal::GetCapturedStderr();
}

// Only a file that exists and cannot be read is reported; a FIFO must not
// block the start-up. (A file without permission is tested end to end.)
TEST(Startup, UnreadableSettingsFileIsReported)
{
    const ScratchFolder folder;
    folder.write("file", "\5\3\40\2\130\40");
    std::filesystem::create_directory(folder.file("folder"));
    ASSERT_EQ(mkfifo(folder.file("fifo").c_str(), 0600), 0);
    for (const std::string name : {"file", "missing", "folder", "fifo"}) {
        const bool readable = name == "file" || name == "missing";
        testing::internal::CaptureStderr();
        EXPECT_EQ(AcceptSettingsFile(folder.file(name).c_str()), readable) << name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  readable ? ""
                           : "skyglass: cannot read " + folder.file(name) +
                                 " (not a regular file); using the built-in settings\n");
    }
}

} // namespace
