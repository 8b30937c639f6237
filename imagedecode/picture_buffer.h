// The sink that keeps the whole picture: one buffer, rows top to bottom with
// no padding, handed out band by band so that decoders write straight into
// it. The engine's image can take the buffer over as it is.
#pragma once

#include "row_sink.h"

#include <memory>

namespace imagedecode {

class PictureBuffer : public RowSink
{
public:
    bool begin(const PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t, std::uint32_t) override {}

    const PictureInfo& picture() const { return picture_; }
    const unsigned char* pixels() const { return pixels_.get(); }
    // The buffer, allocated with new[]; the sink is empty afterwards.
    std::unique_ptr<unsigned char[]> release() { return std::move(pixels_); }

private:
    PictureInfo picture_;
    std::unique_ptr<unsigned char[]> pixels_;
};

} // namespace imagedecode
