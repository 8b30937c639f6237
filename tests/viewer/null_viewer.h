// The viewer's program-wide state on a null-driver device of the test's own,
// in a fresh empty working folder, so that no test runs the viewer's start-up
// or needs a display.
#ifndef SKYGLASS_TESTS_VIEWER_NULL_VIEWER_H
#define SKYGLASS_TESTS_VIEWER_NULL_VIEWER_H

#include <gtest/gtest.h>
#include <irrlicht.h>
#include <string>

class NullViewer : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `text` to `name` in the working folder, creating its folder.
    void writeFile(const std::string& name, const std::string& text) const;
    // Puts a copy of the generated panorama mesh at media/360.x.
    void copyPanoramaMesh() const;

    std::string workdir;
    std::string previousWorkdir;
};

#endif
