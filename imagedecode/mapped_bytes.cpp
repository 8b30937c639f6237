#include "mapped_bytes.h"

#include <atomic>
#include <csignal>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace imagedecode {

namespace {

// The one mapping being read (decoding runs on one thread), for the signal
// handler, and the handler that was there before.
std::atomic<std::uintptr_t> guardedStart{0}, guardedEnd{0};
volatile std::sig_atomic_t guardedFault = 0;
std::uintptr_t pageSize = 4096;
struct sigaction previousAction;

// A page beyond the end of a shortened file: map a page of zeros over it
// and let the read go on. Faults anywhere else go to the handler that was
// there before (by default, ending the process).
void OnBusError(int signal, siginfo_t* info, void* context)
{
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (address >= guardedStart.load() && address < guardedEnd.load()) {
        // mmap is a plain system call on Linux, safe in a handler there.
        const std::uintptr_t page = address & ~(pageSize - 1);
        if (::mmap(reinterpret_cast<void*>(page), pageSize, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            guardedFault = 1;
            return;
        }
    }
    if (previousAction.sa_flags & SA_SIGINFO) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_IGN && previousAction.sa_handler != SIG_DFL) {
        previousAction.sa_handler(signal);
        return;
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

bool MappedBytes::map(int fd, std::size_t size)
{
    size_ = size;
    if (size == 0)
        return true;
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return false;
    data_ = static_cast<unsigned char*>(mapped);
    mapped_ = size;
    ::madvise(mapped, size, MADV_SEQUENTIAL);

    pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    guardedFault = 0;
    guardedStart = reinterpret_cast<std::uintptr_t>(data_);
    guardedEnd = guardedStart + size;
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousAction);
    return true;
}

bool MappedBytes::truncated() const
{
    return data_ && guardedFault;
}

MappedBytes::~MappedBytes()
{
    if (!data_)
        return;
    ::sigaction(SIGBUS, &previousAction, nullptr);
    guardedStart = guardedEnd = 0;
    ::munmap(data_, mapped_);
}

} // namespace imagedecode
