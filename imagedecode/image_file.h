// A picture file opened for decoding. Only regular files of at most
// MaxFileSize bytes are read. A format with a stream decoder (PNG) is decoded
// as the file is read; every other format is decoded from the file mapped
// into memory (mapped_bytes.h), never copied whole.
#pragma once

#include "imagedecode.h"
#include "mapped_bytes.h"

#include <memory>

namespace imagedecode {

class ImageFile
{
public:
    ImageFile() = default;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile();

    // False says why: no such file, not a regular file, too large.
    bool open(const char* path, std::string& reason);
    // The format the content shows, as IdentifyImage tells it. Reads the whole
    // file, unless the first format whose signature matches the file's first
    // bytes decodes a stream and its header check passes on those bytes.
    const ImageFormat* identify(std::string& reason);
    // Decodes the identified picture into the sink.
    bool decode(RowSink& sink, std::string& reason);
    // What the last decode cost.
    const DecodeWork& work() const { return work_; }

    // The whole file, once identify has mapped it (null for a streamed format).
    const unsigned char* data() const { return bytes_.data(); }
    std::size_t size() const { return size_; }

private:
    std::FILE* stream_ = nullptr;
    std::size_t size_ = 0;
    MappedBytes bytes_;
    const ImageFormat* format_ = nullptr;
    bool streamed_ = false;
    DecodeWork work_;
};

} // namespace imagedecode
