// Decoding on a second thread for a sink whose work must be done on the
// calling thread: an OpenGL texture, whose context is current there only.
// The decoder, and every stage and sink after it, run on the second thread;
// the sink sends the work that needs the calling thread there through a
// courier, and goes on while it is done.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace imagedecode {

class Courier
{
public:
    using Work = std::function<void()>;

    // Has `work` done on the calling thread after everything sent before;
    // waits only while `Capacity` pieces of work wait already. Returns its
    // ticket.
    std::uint64_t send(Work work);
    // Waits until the work of `ticket` (and all before it) is done.
    void waitFor(std::uint64_t ticket);
    // Both: has `work` done and waits for it.
    void call(Work work) { waitFor(send(std::move(work))); }

    // Pieces of work are small; what they stand for (rows to upload) is
    // bounded by the sender.
    static constexpr std::size_t Capacity = 64;

private:
    friend bool DecodeBeside(Courier& courier, const std::function<bool(std::string&)>& decode,
                             std::string& reason);
    // On the calling thread: does the work sent until the decoder's thread
    // has ended and nothing is left.
    void serve();
    void end();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Work> waiting_;
    std::uint64_t sent_ = 0, done_ = 0;
    bool beside_ = false; // a second thread sends; otherwise work is done at once
    bool ended_ = false;
};

// Runs `decode` on a second thread while this one does the work sent
// through `courier`; returns when both are done. Without a second thread,
// `decode` runs on this one, and the work sent is done at once.
bool DecodeBeside(Courier& courier, const std::function<bool(std::string&)>& decode,
                  std::string& reason);

} // namespace imagedecode
