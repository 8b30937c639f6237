// Where a decoder reads its file from: a regular file of at most MaxFileSize
// bytes, open once. A format decoded as the file is read takes the stream;
// every other one takes the file's bytes mapped into memory
// (mapped_bytes.h), never copied whole, mapped the first time they are
// asked for.
#pragma once

#include "imagedecode.h"
#include "mapped_bytes.h"

#include <cstdio>

namespace imagedecode {

class Source
{
public:
    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source();

    // False says why: no such file, not a regular file, too large.
    bool open(const char* path, std::string& reason);

    std::size_t size() const { return size_; }
    // The file's first bytes, at most HeadBytes.
    const unsigned char* head() const { return head_; }
    std::size_t headSize() const { return headSize_; }

    // The stream, at the start of the file.
    std::FILE* stream();
    // The whole file; null, saying why, when it cannot be mapped.
    const unsigned char* bytes(std::string& reason);
    // Whether another program shortened the file while its bytes were read.
    bool truncated() const { return bytes_.truncated(); }

private:
    std::FILE* stream_ = nullptr;
    std::size_t size_ = 0;
    unsigned char head_[HeadBytes] = {};
    std::size_t headSize_ = 0;
    MappedBytes bytes_;
    bool mapped_ = false;
};

} // namespace imagedecode
