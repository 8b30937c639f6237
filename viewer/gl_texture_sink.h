// The picture's rows straight into an OpenGL texture of the viewer's own:
// storage made once, each band uploaded as it arrives in the layout the
// decoder gives (RGB, or BGRA with alpha), with no conversion on the CPU
// and no full-size copy kept; the mipmaps made by OpenGL at the end. The
// texture bound before is bound again after each upload, so that the
// engine finds the state it left.
#pragma once

#include "row_sink.h"

#include <memory>

class GlTextureSink : public imagedecode::RowSink
{
public:
    // Into the texture `name`, which must exist, with the current context.
    explicit GlTextureSink(unsigned name) : name_(name) {}

    bool begin(const imagedecode::PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

    // Whether every row arrived; then the mipmaps are made and the rows
    // freed.
    bool finish(std::string& reason);

private:
    void upload(std::uint32_t first, std::uint32_t count, const unsigned char* rows);

    unsigned name_;
    imagedecode::PictureInfo picture_;
    std::size_t stride_ = 0;
    // The band handed out; for a picture of several passes, the whole of it
    // until its last pass.
    std::unique_ptr<unsigned char[]> rows_;
    std::uint32_t bandFirst_ = 0;
    std::uint64_t committed_ = 0;
};
