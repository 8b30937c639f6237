// Bytes that the decoders open as a file, through the one way the viewer
// opens a picture: a memory file (memfd) named by its path under
// /proc/self/fd, so that no test writes to disk for it.
#pragma once

#include "image_file.h"
#include "texture_size.h"

#include <string>
#include <vector>

class BytesFile
{
public:
    BytesFile();
    explicit BytesFile(const std::vector<unsigned char>& bytes) : BytesFile()
    {
        assign(bytes.data(), bytes.size());
    }
    ~BytesFile();
    BytesFile(const BytesFile&) = delete;
    BytesFile& operator=(const BytesFile&) = delete;

    // Makes the file hold these bytes and nothing else.
    void assign(const unsigned char* data, std::size_t size);
    const char* path() const { return path_.c_str(); }

private:
    int fd_ = -1;
    std::string path_;
};

// A file opened and decoded whole into a sink, at its own size.
struct Decoded
{
    bool opened = false;
    bool decoded = false;
    const imagedecode::ImageFormat* format = nullptr;
    imagedecode::ImageDescription description;
    imagedecode::DecodeWork work;
    std::string reason; // why it was refused
};
Decoded DecodeFile(const char* path, imagedecode::RowSink& sink);
Decoded DecodeBytes(const std::vector<unsigned char>& bytes, imagedecode::RowSink& sink);
// The same the way the viewer takes a picture to its texture: its colours
// converted to sRGB, and reduced to textures of `limits` (by default, large
// enough for the tests' pictures); a partial panorama is placed by the
// renderer, not padded.
Decoded DecodeBytesForTexture(const std::vector<unsigned char>& bytes, imagedecode::RowSink& sink,
                              const imagedecode::TextureLimits& limits = {});
