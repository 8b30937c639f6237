#include "row_worker.h"

#include <cstring>
#include <new>
#include <system_error>

namespace imagedecode {

std::unique_ptr<RowWorker> RowWorker::Start(Work work, std::size_t inBytes, std::size_t outBytes)
{
    std::unique_ptr<RowWorker> worker(new (std::nothrow)
                                          RowWorker(std::move(work), inBytes, outBytes));
    if (!worker)
        return nullptr;
    worker->in_.reset(new (std::nothrow) unsigned char[Capacity * inBytes]);
    worker->out_.reset(new (std::nothrow) unsigned char[Capacity * outBytes]);
    if (!worker->in_ || !worker->out_)
        return nullptr;
    try {
        worker->thread_ = std::thread(&RowWorker::run, worker.get());
    } catch (const std::system_error&) {
        return nullptr;
    }
    return worker;
}

RowWorker::~RowWorker()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void RowWorker::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || taken_ < pushed_; });
        if (stop_)
            return;
        // An output slot must be free for whatever the row completes.
        changed_.wait(lock, [this] { return stop_ || made_ - handed_ < Capacity; });
        if (stop_)
            return;
        // The row stays in its slot, the free output slot stays free, and
        // the work is this thread's, until taken_ and made_ move on.
        const unsigned char* row = in_.get() + (taken_ % Capacity) * inBytes_;
        const std::uint64_t slot = made_ % Capacity;
        lock.unlock();
        std::uint32_t index = 0;
        const bool made = work_(row, out_.get() + slot * outBytes_, index);
        lock.lock();
        if (made) {
            outIndex_[slot] = index;
            ++made_;
        }
        ++taken_;
        changed_.notify_all();
    }
}

void RowWorker::deliverReady(std::unique_lock<std::mutex>& lock, const Deliver& deliver)
{
    const std::uint64_t made = made_;
    if (handed_ == made)
        return;
    lock.unlock();
    for (std::uint64_t i = handed_; i < made; ++i)
        deliver(outIndex_[i % Capacity], out_.get() + (i % Capacity) * outBytes_);
    lock.lock();
    handed_ = made;
    changed_.notify_all();
}

void RowWorker::push(const unsigned char* row, const Deliver& deliver)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliverReady(lock, deliver);
        if (pushed_ - taken_ < Capacity)
            break;
        changed_.wait(lock, [this] { return pushed_ - taken_ < Capacity || made_ > handed_; });
    }
    // The slot is free: the worker has taken every row pushed before it.
    const std::uint64_t slot = pushed_ % Capacity;
    lock.unlock();
    std::memcpy(in_.get() + slot * inBytes_, row, inBytes_);
    lock.lock();
    ++pushed_;
    changed_.notify_all();
}

void RowWorker::finish(const Deliver& deliver)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliverReady(lock, deliver);
        if (taken_ == pushed_ && handed_ == made_)
            return;
        changed_.wait(lock, [this] { return taken_ == pushed_ || made_ > handed_; });
    }
}

} // namespace imagedecode
