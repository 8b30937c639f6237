// Decoding on a second thread: the work a sink sends is done on the calling
// thread, in the order sent, never more than the courier's capacity ahead;
// a ticket waited for is done; the decoder's failure, and an allocation that
// fails on its thread, come back as the reason; without a second thread the
// work is done at once.
#include "decode_beside.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

namespace {

using imagedecode::Courier;

TEST(DecodeBeside, WorkIsDoneOnTheCallingThreadInOrderAndBounded)
{
    const std::thread::id calling = std::this_thread::get_id();
    Courier courier;
    std::vector<int> done;
    std::atomic<int> waiting{0};
    int mostWaiting = 0;
    std::string reason;
    const bool decoded = imagedecode::DecodeBeside(
        courier,
        [&](std::string&) {
            EXPECT_NE(std::this_thread::get_id(), calling);
            for (int i = 0; i < 100; ++i) {
                mostWaiting = std::max(mostWaiting, ++waiting);
                const std::uint64_t ticket = courier.send([&, i] {
                    EXPECT_EQ(std::this_thread::get_id(), calling);
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
                    done.push_back(i);
                    --waiting;
                });
                if (i == 50) {
                    courier.waitFor(ticket);
                    EXPECT_EQ(done.size(), 51u); // this one and all before it
                }
            }
            int answer = 0;
            courier.call([&] { answer = 42; });
            EXPECT_EQ(answer, 42);
            return true;
        },
        reason);
    EXPECT_TRUE(decoded);
    ASSERT_EQ(done.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(done[i], i);
    // Waiting, the one being done, and the one being sent.
    EXPECT_LE(mostWaiting, int(Courier::Capacity) + 2);
}

TEST(DecodeBeside, FailuresComeBackAsTheReason)
{
    Courier courier;
    std::string reason;
    EXPECT_FALSE(imagedecode::DecodeBeside(
        courier,
        [](std::string& why) {
            why = "the file ends early";
            return false;
        },
        reason));
    EXPECT_EQ(reason, "the file ends early");
    // The courier serves a second decode as it did the first.
    bool sent = false;
    EXPECT_FALSE(imagedecode::DecodeBeside(
        courier,
        [&](std::string&) -> bool {
            courier.call([&] { sent = true; });
            throw std::bad_alloc();
        },
        reason));
    EXPECT_TRUE(sent);
    EXPECT_EQ(reason, "not enough memory for the image");
}

TEST(DecodeBeside, WithoutASecondThreadWorkIsDoneAtOnce)
{
    Courier courier;
    int done = 0;
    const std::uint64_t first = courier.send([&] { ++done; });
    EXPECT_EQ(done, 1);
    courier.waitFor(first); // returns at once
    courier.call([&] { ++done; });
    EXPECT_EQ(done, 2);
}

} // namespace
