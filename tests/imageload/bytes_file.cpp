#include "bytes_file.h"

#include "texture_decode.h"

#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

BytesFile::BytesFile()
{
    fd_ = memfd_create("picture", MFD_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("no memory file");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

BytesFile::~BytesFile()
{
    ::close(fd_);
}

void BytesFile::assign(const unsigned char* data, std::size_t size)
{
    if (::ftruncate(fd_, 0) != 0)
        throw std::runtime_error("cannot empty the memory file");
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd_, data + done, size - done, off_t(done));
        if (n <= 0)
            throw std::runtime_error("cannot write the memory file");
        done += std::size_t(n);
    }
}

namespace {

// At its own size, or with `limits` the way the viewer takes it to a texture.
Decoded Decode(const char* path, imagedecode::RowSink& sink,
               const imagedecode::TextureLimits* limits)
{
    Decoded d;
    imagedecode::ImageFile file;
    d.opened = file.open(path, d.reason);
    if (!d.opened)
        return d;
    d.format = &file.format();
    d.description = file.description();
    d.decoded =
        limits ? gpano::DecodeForTexture(
                     file, gpano::PlanTexture(file.description(), *limits, false), sink, d.reason)
               : file.decode(sink, d.reason);
    d.work = file.work();
    return d;
}

} // namespace

Decoded DecodeFile(const char* path, imagedecode::RowSink& sink)
{
    return Decode(path, sink, nullptr);
}

Decoded DecodeBytesForTexture(const std::vector<unsigned char>& bytes, imagedecode::RowSink& sink,
                              const imagedecode::TextureLimits& limits)
{
    const BytesFile file(bytes);
    return Decode(file.path(), sink, &limits);
}

Decoded DecodeBytes(const std::vector<unsigned char>& bytes, imagedecode::RowSink& sink)
{
    const BytesFile file(bytes);
    return DecodeFile(file.path(), sink);
}
