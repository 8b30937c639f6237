// A file's bytes mapped read-only into memory, so that a large file costs
// pages of the system's file cache, read as the decoder comes to them,
// rather than a copy of its own. Another program may shorten the file while
// it is mapped: a read of a page the file no longer backs then finds zeros
// instead of ending the process (SIGBUS), and truncated() says so.
#pragma once

#include <cstddef>

namespace imagedecode {

class MappedBytes
{
public:
    MappedBytes() = default;
    MappedBytes(const MappedBytes&) = delete;
    MappedBytes& operator=(const MappedBytes&) = delete;
    ~MappedBytes();

    // Maps `size` bytes of the open file `fd`; false when it cannot.
    bool map(int fd, std::size_t size);

    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // Whether a read found a page that the file no longer backs.
    bool truncated() const;

private:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;
};

} // namespace imagedecode
