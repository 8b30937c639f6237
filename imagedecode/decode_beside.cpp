#include "decode_beside.h"

#include <new>
#include <system_error>
#include <thread>

namespace imagedecode {

std::uint64_t Courier::send(Work work)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!beside_) {
        lock.unlock();
        work();
        lock.lock();
        done_ = ++sent_;
        return sent_;
    }
    changed_.wait(lock, [this] { return waiting_.size() < Capacity; });
    waiting_.push_back(std::move(work));
    changed_.notify_all();
    return ++sent_;
}

void Courier::waitFor(std::uint64_t ticket)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return done_ >= ticket; });
}

void Courier::serve()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || ended_; });
        if (waiting_.empty())
            return; // ended, and everything done
        const Work work = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        work();
        lock.lock();
        ++done_;
        changed_.notify_all();
    }
}

void Courier::end()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

bool DecodeBeside(Courier& courier, const std::function<bool(std::string&)>& decode,
                  std::string& reason)
{
    bool decoded = false;
    std::string why;
    courier.beside_ = true;
    std::thread decoder;
    try {
        decoder = std::thread([&] {
            // An allocation that fails on this thread fails the picture, as
            // it would on the calling thread, instead of ending the program.
            try {
                decoded = decode(why);
            } catch (const std::bad_alloc&) {
                why = "not enough memory for the image";
            }
            courier.end();
        });
    } catch (const std::system_error&) {
        courier.beside_ = false;
        return decode(reason);
    }
    courier.serve();
    decoder.join();
    courier.beside_ = false;
    courier.ended_ = false;
    if (!decoded)
        reason = why;
    return decoded;
}

} // namespace imagedecode
