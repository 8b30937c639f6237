// The rows a stage takes in before it works on them: the band the decoder
// fills, or, for a picture of several passes (interlaced PNG), whose rows
// are final only in its last pass, the whole picture until then, up to
// MaxPassesPixels.
#pragma once

#include "row_sink.h"

#include <memory>

namespace imagedecode {

class IncomingRows
{
public:
    // Makes room for the picture's rows; if it cannot, says why, with what
    // the stage does to them (`done`, "reduced").
    bool reserve(const PictureInfo& picture, const char* done, std::string& reason);

    // The memory of the band from row `first` on, as RowSink::band gives it.
    unsigned char* band(std::uint32_t first, std::size_t& stride);

    // Counts the committed rows; whether they are final (of the last pass).
    bool commit(std::uint32_t count);

    // Whether every row of every pass has been committed.
    bool complete() const { return committed_ >= std::uint64_t(picture_.passes) * picture_.height; }

    // Row `index` of the picture, committed in the last band (or pass).
    const unsigned char* row(std::uint32_t index) const
    {
        return rows_.get() + std::size_t(index - (whole() ? 0 : bandFirst_)) * stride_;
    }

    // Calls `take(index, row)` for the rows first .. first + count - 1 in
    // the order the decoder declared: from the top, or from the bottom.
    template <class Take>
    void eachInOrder(std::uint32_t first, std::uint32_t count, Take take) const
    {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t index =
                picture_.order == RowOrder::TopDown ? first + i : first + count - 1 - i;
            take(index, row(index));
        }
    }

    std::size_t stride() const { return stride_; }

private:
    bool whole() const { return picture_.passes > 1; }

    PictureInfo picture_;
    std::size_t stride_ = 0;
    std::unique_ptr<unsigned char[]> rows_;
    std::uint32_t bandFirst_ = 0;
    std::uint64_t committed_ = 0; // rows committed, every pass
};

} // namespace imagedecode
