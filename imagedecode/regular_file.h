// Opening a file that is to be read whole: only a regular file, opened
// without blocking, so that a FIFO or a device in its place cannot hang the
// program. The viewer reads its settings and its picture this way.
#pragma once

#include <cstdint>
#include <string>

namespace imagedecode {

// The open file descriptor, and its size in `size` when given; -1 when the
// file cannot be opened or is not a regular file, with the reason: the
// system's (errno tells which), or "not a regular file" (errno is then 0).
int OpenRegularFile(const char* path, std::string& reason, std::uint64_t* size = nullptr);

} // namespace imagedecode
