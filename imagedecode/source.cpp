#include "source.h"

#include "regular_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace imagedecode {

Source::~Source()
{
    if (stream_)
        std::fclose(stream_);
}

bool Source::open(const char* path, std::string& reason)
{
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(path, reason, &size);
    if (fd < 0)
        return false;
    if (size > MaxFileSize) {
        reason = "the file is larger than 1 GiB";
        ::close(fd);
        return false;
    }
    stream_ = ::fdopen(fd, "rb");
    if (!stream_) {
        reason = std::strerror(errno);
        ::close(fd);
        return false;
    }
    size_ = static_cast<std::size_t>(size);
    headSize_ = std::fread(head_, 1, sizeof head_, stream_);
    return true;
}

std::FILE* Source::stream()
{
    std::rewind(stream_);
    return stream_;
}

const unsigned char* Source::bytes(std::string& reason)
{
    if (!mapped_) {
        if (!bytes_.map(::fileno(stream_), size_)) {
            reason = std::string("the file could not be read: ") + std::strerror(errno);
            return nullptr;
        }
        mapped_ = true;
    }
    // An empty file maps to nothing, yet has its (no) bytes.
    static const unsigned char none = 0;
    return bytes_.data() ? bytes_.data() : &none;
}

} // namespace imagedecode
