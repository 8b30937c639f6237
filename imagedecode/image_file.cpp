#include "image_file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imagedecode {

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

    bytes_.reset(new (std::nothrow) unsigned char[size_ ? size_ : 1]);
    if (!bytes_) {
        reason = "not enough memory to read the file";
        return nullptr;
    }
    if (std::fread(bytes_.get(), 1, size_, stream_) != size_) {
        reason = "the file could not be read completely";
        return nullptr;
    }
    return format_ = IdentifyImage(bytes_.get(), size_, reason);
}

bool ImageFile::decode(RowSink& sink, std::string& reason)
{
    if (!format_ || !format_->codec->decode) {
        reason = "the file holds no picture this library decodes";
        return false;
    }
    work_ = DecodeWork();
    if (!streamed_)
        return format_->codec->decode(bytes_.get(), size_, sink, work_, reason);
    if (std::fseek(stream_, 0, SEEK_SET) != 0) {
        reason = "the file could not be read again";
        return false;
    }
    return format_->codec->decodeStream(stream_, sink, work_, reason);
}

} // namespace imagedecode
