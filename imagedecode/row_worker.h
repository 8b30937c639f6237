// Runs a stage's work on its rows (the area filter, the colour conversion)
// on a second thread while the decoder goes on: the decoder's rows are
// copied into a small ring of rows, the worker turns them into output rows,
// and those wait in a second ring until the decoder's thread hands them on.
// Only the decoder's thread calls the output sink.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace imagedecode {

class RowWorker
{
public:
    // The work on one input row, on the worker's thread: writes the output
    // row it completes, if any, to `out` and says its index; false when the
    // row completes none (a reduction takes several rows for one).
    using Work =
        std::function<bool(const unsigned char* in, unsigned char* out, std::uint32_t& index)>;

    // Rows of `inBytes` in, of `outBytes` out. Null when the memory or the
    // thread cannot be had.
    static std::unique_ptr<RowWorker> Start(Work work, std::size_t inBytes, std::size_t outBytes);
    // Stops the worker, whatever it had left to do, and waits for it.
    ~RowWorker();

    using Deliver = std::function<void(std::uint32_t index, const unsigned char* row)>;

    // Copies the row in, first handing on the output rows ready (and
    // waiting for room when the ring is full).
    void push(const unsigned char* row, const Deliver& deliver);
    // Waits until every row pushed is worked on, handing on each output row.
    void finish(const Deliver& deliver);

    // Rows each ring holds.
    static constexpr std::uint32_t Capacity = 32;

private:
    RowWorker(Work work, std::size_t inBytes, std::size_t outBytes)
        : work_(std::move(work)), inBytes_(inBytes), outBytes_(outBytes)
    {}
    void run();
    // Hands on the output rows ready; called with `lock` held, unlocks
    // while it copies.
    void deliverReady(std::unique_lock<std::mutex>& lock, const Deliver& deliver);

    Work work_;
    const std::size_t inBytes_, outBytes_;
    std::unique_ptr<unsigned char[]> in_, out_; // the two rings
    std::uint32_t outIndex_[Capacity] = {};     // each output row's index

    std::mutex mutex_;
    std::condition_variable changed_;
    // Counts since the start: rows pushed and taken (worked on and freed),
    // output rows made and handed on.
    std::uint64_t pushed_ = 0, taken_ = 0, made_ = 0, handed_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace imagedecode
