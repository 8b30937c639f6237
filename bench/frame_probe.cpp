// Frame probe: a library preloaded (LD_PRELOAD) into the measured program.
// It wraps glXSwapBuffers to time every presented frame and counts heap
// allocations between frames, in total and those made directly by the
// program's own code (calls from its executable, not from shared libraries).
// After the requested number of frames it writes its record and ends the
// process at once.
//
// Settings, from the environment:
//   SKYGLASS_PROBE_OUT      file to write the record to
//   SKYGLASS_PROBE_T0_NS    CLOCK_MONOTONIC time (ns) at which the launcher
//                           started the process; frame times are relative to it
//   SKYGLASS_PROBE_FRAMES   frames to record before ending the process
//
// The record: "first_frame_ns N", "frames N", then one line per frame:
// "frame <ns since start> <allocations> <own allocations> <process CPU ns>",
// the counts being those since the previous frame.
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <new>
#include <unistd.h>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
}

namespace {

constexpr int maxFrames = 20000;
constexpr int maxCodeRanges = 8;

struct CodeRange
{
    std::uintptr_t begin, end;
};

CodeRange codeRanges[maxCodeRanges]; // executable segments of the main program
int codeRangeCount = 0;

std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> ownAllocations{0};

std::int64_t startNs = -1;
int framesWanted = 0;
char outPath[4096];

struct Frame
{
    std::int64_t ns;
    std::uint64_t allocations, ownAllocations;
    std::int64_t cpuNs; // CPU time of the whole process (all threads) so far
};
Frame frames[maxFrames];
int frameCount = 0;
std::uint64_t lastAllocations = 0, lastOwn = 0;

using SwapFn = void (*)(void*, unsigned long);
SwapFn realSwap = nullptr;

std::int64_t nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::int64_t processCpuNs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool fromProgram(const void* address)
{
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    for (int i = 0; i < codeRangeCount; ++i)
        if (a >= codeRanges[i].begin && a < codeRanges[i].end)
            return true;
    return false;
}

void count(const void* caller)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (fromProgram(caller))
        ownAllocations.fetch_add(1, std::memory_order_relaxed);
}

// The first object dl_iterate_phdr reports is the main program.
int findProgram(dl_phdr_info* info, size_t, void*)
{
    for (int i = 0; i < info->dlpi_phnum && codeRangeCount < maxCodeRanges; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_X))
            codeRanges[codeRangeCount++] = {info->dlpi_addr + ph.p_vaddr,
                                            info->dlpi_addr + ph.p_vaddr + ph.p_memsz};
    }
    return 1;
}

void writeAll(int fd, const char* text, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, text, n);
        if (w <= 0)
            return;
        text += w;
        n -= size_t(w);
    }
}

[[noreturn]] void finish()
{
    const int fd = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        char line[160];
        int n =
            std::snprintf(line, sizeof line, "first_frame_ns %lld\nframes %d\n",
                          static_cast<long long>(frameCount > 0 ? frames[0].ns : -1), frameCount);
        writeAll(fd, line, size_t(n));
        for (int i = 0; i < frameCount; ++i) {
            n = std::snprintf(line, sizeof line, "frame %lld %llu %llu %lld\n",
                              static_cast<long long>(frames[i].ns),
                              static_cast<unsigned long long>(frames[i].allocations),
                              static_cast<unsigned long long>(frames[i].ownAllocations),
                              static_cast<long long>(frames[i].cpuNs));
            writeAll(fd, line, size_t(n));
        }
        ::close(fd);
    }
    // The program's own buffered output (the engine's log on stdout) would
    // be lost by _exit.
    std::fflush(nullptr);
    _exit(0);
}

__attribute__((constructor)) void setUp()
{
    dl_iterate_phdr(findProgram, nullptr);
    const char* out = std::getenv("SKYGLASS_PROBE_OUT");
    const char* t0 = std::getenv("SKYGLASS_PROBE_T0_NS");
    const char* wanted = std::getenv("SKYGLASS_PROBE_FRAMES");
    if (out)
        std::snprintf(outPath, sizeof outPath, "%s", out);
    startNs = t0 ? std::strtoll(t0, nullptr, 10) : nowNs();
    framesWanted = wanted ? std::atoi(wanted) : 0;
    if (framesWanted > maxFrames)
        framesWanted = maxFrames;
    // The probe's own variable is no concern of the measured program's children.
    unsetenv("LD_PRELOAD");
}

} // namespace

extern "C" {

void glXSwapBuffers(void* display, unsigned long drawable)
{
    if (!realSwap)
        realSwap = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (realSwap)
        realSwap(display, drawable);
    const std::uint64_t all = allocations.load(std::memory_order_relaxed);
    const std::uint64_t own = ownAllocations.load(std::memory_order_relaxed);
    if (frameCount < maxFrames) {
        frames[frameCount++] = {nowNs() - startNs, all - lastAllocations, own - lastOwn,
                                processCpuNs()};
    }
    lastAllocations = all;
    lastOwn = own;
    if (framesWanted > 0 && frameCount >= framesWanted && outPath[0])
        finish();
}

void* malloc(size_t size)
{
    count(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(size_t n, size_t size)
{
    count(__builtin_return_address(0));
    return __libc_calloc(n, size);
}

void* realloc(void* p, size_t size)
{
    count(__builtin_return_address(0));
    return __libc_realloc(p, size);
}

int posix_memalign(void** out, size_t alignment, size_t size)
{
    count(__builtin_return_address(0));
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

void* aligned_alloc(size_t alignment, size_t size)
{
    count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size)
{
    count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

} // extern "C"

// operator new reaches malloc from the C++ library; counting it here, with
// its own caller, tells the program's own `new` from the libraries'.
namespace {
void* allocate(size_t size, const void* caller)
{
    count(caller);
    if (size == 0)
        size = 1;
    return __libc_malloc(size);
}
} // namespace

void* operator new(size_t size)
{
    void* p = allocate(size, __builtin_return_address(0));
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* operator new[](size_t size)
{
    void* p = allocate(size, __builtin_return_address(0));
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size, __builtin_return_address(0));
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size, __builtin_return_address(0));
}

void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}
