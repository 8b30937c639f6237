// The stage that places a picture in a larger canvas, opaque black around
// it: each row goes straight to its place in the next sink's canvas rows,
// and the stage writes the black rows above and below it, and the black on
// either side, itself. Nothing is copied.
#pragma once

#include "row_sink.h"

namespace imagedecode {

class PadStage : public RowSink
{
public:
    // A canvas of `canvas` size, the picture's top left pixel at (left, top).
    PadStage(PictureSize canvas, std::uint32_t left, std::uint32_t top, RowSink& output)
        : canvas_(canvas), left_(left), top_(top), output_(output)
    {}

    // Refuses a picture that does not fit the canvas where it is placed.
    bool begin(const PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

private:
    // The canvas rows from `begin` to `end` (not included) in black, handed
    // on in the declared order.
    void blackRows(std::uint32_t begin, std::uint32_t end);
    void blacken(unsigned char* from, std::size_t pixels) const;

    PictureSize canvas_;
    std::uint32_t left_, top_;
    RowSink& output_;
    PictureInfo picture_;
    std::uint32_t done_ = 0; // picture rows committed in this pass
};

} // namespace imagedecode
