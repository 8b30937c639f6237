#include "image_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imagedecode {

namespace {

const char* const Shortened = "the file was shortened while it was read";

} // namespace

ImageFile::~ImageFile()
{
    if (stream_)
        std::fclose(stream_);
}

bool ImageFile::open(const char* path, std::string& reason)
{
    // Non-blocking, so that a FIFO cannot hang the open; only regular files
    // are read after it.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        reason = "not a regular file";
    else if (std::uint64_t(info.st_size) > MaxFileSize)
        reason = "the file is larger than 1 GiB";
    stream_ = reason.empty() ? ::fdopen(fd, "rb") : nullptr;
    if (!stream_) {
        if (reason.empty())
            reason = std::strerror(errno);
        ::close(fd);
        return false;
    }
    size_ = static_cast<std::size_t>(info.st_size);
    return true;
}

const ImageFormat* ImageFile::identify(std::string& reason)
{
    unsigned char head[HeadBytes];
    const std::size_t headSize = std::fread(head, 1, sizeof head, stream_);
    std::rewind(stream_);
    for (const ImageFormat& format : Formats()) {
        if (!format.codec->matches(head, headSize))
            continue;
        std::string ignored;
        if (format.codec->decodeStream && format.codec->check(head, headSize, ignored)) {
            streamed_ = true;
            return format_ = &format;
        }
        break;
    }

    if (!bytes_.map(::fileno(stream_), size_)) {
        reason = std::string("the file could not be read: ") + std::strerror(errno);
        return nullptr;
    }
    format_ = IdentifyImage(bytes_.data(), size_, reason);
    if (bytes_.truncated()) {
        reason = Shortened;
        return format_ = nullptr;
    }
    return format_;
}

bool ImageFile::decode(RowSink& sink, std::string& reason)
{
    if (!format_ || !format_->codec->decode) {
        reason = "the file holds no picture this library decodes";
        return false;
    }
    work_ = DecodeWork();
    if (!streamed_) {
        const bool decoded = format_->codec->decode(bytes_.data(), size_, sink, work_, reason);
        if (bytes_.truncated()) {
            reason = Shortened;
            return false;
        }
        return decoded;
    }
    if (std::fseek(stream_, 0, SEEK_SET) != 0) {
        reason = "the file could not be read again";
        return false;
    }
    return format_->codec->decodeStream(stream_, sink, work_, reason);
}

} // namespace imagedecode
