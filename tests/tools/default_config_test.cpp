// The default settings file: exactly the nine bytes, and never over a file
// that is already there.
#include "default_config.h"
#include "tools_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using toolstest::quoted;

namespace {

const std::string defaults("\x05\x03\x20\x02\x58\x20\x00\x00\x00", 9);

TEST(DefaultConfig, WritesTheNineDefaultBytesWhenMissing)
{
    toolstest::ScratchDir dir;
    std::string error;
    EXPECT_EQ(defaultconfig::writeIfMissing(dir.file("config.cfg"), error),
              defaultconfig::Result::Written);
    EXPECT_EQ(toolstest::readAll(dir.file("config.cfg")), defaults);

    // The same through the tool.
    EXPECT_EQ(toolstest::run(SKYGLASS_DEFAULTCONFIG, quoted(dir.file("other.cfg"))), 0);
    EXPECT_EQ(toolstest::readAll(dir.file("other.cfg")), defaults);
}

// Whatever is there stays as it is: the user's settings, a short or empty
// file, a longer one.
TEST(DefaultConfig, NeverOverwritesAnExistingFile)
{
    toolstest::ScratchDir dir;
    const std::string path = dir.file("config.cfg");
    for (const std::string& content :
         {std::string("\x02\x04\x00\x03\x00\x10\x01\x01\x01", 9), std::string(),
          std::string("\x05"), std::string(20, '\xff')}) {
        toolstest::writeAll(path, content);
        std::string error;
        EXPECT_EQ(defaultconfig::writeIfMissing(path, error), defaultconfig::Result::Kept);
        EXPECT_EQ(toolstest::run(SKYGLASS_DEFAULTCONFIG, quoted(path)), 0);
        EXPECT_EQ(toolstest::readAll(path), content);
    }
}

TEST(DefaultConfig, ReportsAFolderItCannotWriteTo)
{
    toolstest::ScratchDir dir;
    const std::string path = dir.file("missing/config.cfg");
    std::string error;
    EXPECT_EQ(defaultconfig::writeIfMissing(path, error), defaultconfig::Result::Failed);
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_EQ(toolstest::run(SKYGLASS_DEFAULTCONFIG, quoted(path)), 1);
    EXPECT_EQ(toolstest::run(SKYGLASS_DEFAULTCONFIG, ""), 2);
    EXPECT_FALSE(toolstest::exists(path));
}

} // namespace
