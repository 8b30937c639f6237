// Runs the area filter on a second thread while the decoder goes on: the
// decoder's rows are copied into a small ring of rows, the worker reduces
// them, and the reduced rows wait in a second ring until the decoder's
// thread hands them on. Only the decoder's thread calls the output sink.
#pragma once

#include "area_reducer.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace imagedecode {

class ReduceWorker
{
public:
    // Rows of `inBytes` in, of `outBytes` out, through `reducer` (set up).
    // Null when the memory or the thread cannot be had.
    static std::unique_ptr<ReduceWorker> Start(AreaReducer& reducer, std::size_t inBytes,
                                               std::size_t outBytes);
    // Stops the worker, whatever it had left to do, and waits for it.
    ~ReduceWorker();

    using Deliver = std::function<void(std::uint32_t index, const unsigned char* row)>;

    // Copies the row in, first handing on the reduced rows ready (and
    // waiting for room when the ring is full).
    void push(const unsigned char* row, const Deliver& deliver);
    // Waits until every row pushed is reduced, handing on each reduced row.
    void finish(const Deliver& deliver);

    // Rows each ring holds.
    static constexpr std::uint32_t Capacity = 32;

private:
    ReduceWorker(AreaReducer& reducer, std::size_t inBytes, std::size_t outBytes)
        : reducer_(reducer), inBytes_(inBytes), outBytes_(outBytes)
    {}
    void run();
    // Hands on the reduced rows ready; called with `lock` held, unlocks
    // while it copies.
    void deliverReady(std::unique_lock<std::mutex>& lock, const Deliver& deliver);

    AreaReducer& reducer_;
    const std::size_t inBytes_, outBytes_;
    std::unique_ptr<unsigned char[]> in_, out_; // the two rings
    std::uint32_t outIndex_[Capacity] = {};     // each reduced row's index

    std::mutex mutex_;
    std::condition_variable changed_;
    // Counts since the start: rows pushed and taken (reduced and freed),
    // reduced rows made and handed on.
    std::uint64_t pushed_ = 0, taken_ = 0, made_ = 0, handed_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace imagedecode
