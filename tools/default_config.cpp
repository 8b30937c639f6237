#include "default_config.h"

#include "settings_record.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace defaultconfig {

Result writeIfMissing(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return Result::Kept;
        error = "cannot create " + path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    const SettingsRecord record = EncodeSettings(DefaultSettings);
    const unsigned char* bytes = record.data();
    const std::size_t size = record.size();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "cannot write " + path + ": " + std::strerror(n < 0 ? errno : EIO);
            ::close(fd);
            ::unlink(path.c_str());
            return Result::Failed;
        }
        done += std::size_t(n);
    }
    if (::close(fd) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        return Result::Failed;
    }
    return Result::Written;
}

} // namespace defaultconfig
