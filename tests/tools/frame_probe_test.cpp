// The benchmark's frame probe, preloaded into a small client: it ends the
// process after the requested frames and tells the program's own heap
// allocations from the C library's.
#include "tools_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

using toolstest::quoted;

namespace {

TEST(FrameProbe, RecordsFramesAndTheProgramsOwnAllocations)
{
    toolstest::ScratchDir dir;
    const std::string record = dir.file("record.txt");
    const std::string environment = "LD_PRELOAD=" + quoted(SKYGLASS_FRAME_PROBE) +
                                    " SKYGLASS_PROBE_OUT=" + quoted(record) +
                                    " SKYGLASS_PROBE_FRAMES=20";
    ASSERT_EQ(toolstest::run("env", environment + " " + quoted(SKYGLASS_PROBE_CLIENT)), 0);

    std::ifstream in(record);
    std::string key;
    long long first = -1;
    int frames = -1;
    std::vector<long long> times;
    std::vector<unsigned long> all, own;
    while (in >> key) {
        if (key == "first_frame_ns") {
            in >> first;
        } else if (key == "frames") {
            in >> frames;
        } else if (key == "frame") {
            long long t, cpu;
            unsigned long a, o;
            in >> t >> a >> o >> cpu;
            times.push_back(t);
            all.push_back(a);
            own.push_back(o);
        }
    }
    EXPECT_EQ(frames, 20);
    ASSERT_EQ(times.size(), 20u);
    EXPECT_EQ(first, times[0]);
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i], times[i - 1]);
        // Every frame after the first: the malloc and the new[] of the client.
        EXPECT_EQ(own[i], 2u) << "frame " << i;
        EXPECT_GE(all[i], own[i]);
    }
}

} // namespace
