#include "picture_buffer.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace imagedecode {

namespace {

// A big picture is written once from start to end; backing it with huge
// pages where the system allows it saves most of the page faults of that
// first write. Only whole huge pages inside the buffer are advised.
void AdviseHugePages(unsigned char* buffer, std::size_t bytes)
{
    constexpr std::uintptr_t HugePage = 2u << 20;
    if (bytes < 4 * HugePage)
        return;
    const std::uintptr_t start =
        (reinterpret_cast<std::uintptr_t>(buffer) + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(HugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace

bool PictureBuffer::begin(const PictureInfo& picture, std::string& reason)
{
    const std::uint64_t bytes =
        std::uint64_t(picture.width) * picture.height * BytesPerPixel(picture.layout);
    if (bytes == 0 || bytes > SIZE_MAX) {
        reason = "the image cannot be held in memory";
        return false;
    }
    pixels_.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(bytes)]);
    if (!pixels_) {
        reason = "not enough memory for the image";
        return false;
    }
    AdviseHugePages(pixels_.get(), static_cast<std::size_t>(bytes));
    picture_ = picture;
    return true;
}

unsigned char* PictureBuffer::band(std::uint32_t first, std::uint32_t, std::size_t& stride)
{
    stride = std::size_t(picture_.width) * BytesPerPixel(picture_.layout);
    return pixels_.get() + std::size_t(first) * stride;
}

} // namespace imagedecode
