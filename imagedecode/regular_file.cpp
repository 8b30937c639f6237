#include "regular_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imagedecode {

int OpenRegularFile(const char* path, std::string& reason, std::uint64_t* size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        reason = std::strerror(error);
        ::close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        ::close(fd);
        errno = 0;
        return -1;
    }
    if (size)
        *size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

} // namespace imagedecode
