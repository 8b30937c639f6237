#include "pad_stage.h"

#include <algorithm>
#include <cstring>

namespace imagedecode {

bool PadStage::begin(const PictureInfo& picture, std::string& reason)
{
    if (std::uint64_t(left_) + picture.width > canvas_.width ||
        std::uint64_t(top_) + picture.height > canvas_.height) {
        reason = "the image does not fit the canvas it was to be placed in";
        return false;
    }
    picture_ = picture;
    done_ = 0;
    PictureInfo canvas = picture;
    canvas.width = canvas_.width;
    canvas.height = canvas_.height;
    return output_.begin(canvas, reason);
}

unsigned char* PadStage::band(std::uint32_t first, std::uint32_t count, std::size_t& stride)
{
    // The canvas rows before the picture's, in the declared order, come
    // first in every pass.
    const std::uint32_t bottom = top_ + picture_.height;
    if (done_ == 0) {
        if (picture_.order == RowOrder::TopDown)
            blackRows(0, top_);
        else
            blackRows(bottom, canvas_.height);
    }
    unsigned char* rows = output_.band(top_ + first, count, stride);
    const std::size_t pixelBytes = BytesPerPixel(picture_.layout);
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char* row = rows + i * stride;
        blacken(row, left_);
        blacken(row + (std::size_t(left_) + picture_.width) * pixelBytes,
                canvas_.width - left_ - picture_.width);
    }
    return rows + std::size_t(left_) * pixelBytes;
}

void PadStage::commit(std::uint32_t first, std::uint32_t count)
{
    output_.commit(top_ + first, count);
    done_ += count;
    if (done_ < picture_.height)
        return;
    done_ = 0;
    if (picture_.order == RowOrder::TopDown)
        blackRows(top_ + picture_.height, canvas_.height);
    else
        blackRows(0, top_);
}

void PadStage::blackRows(std::uint32_t begin, std::uint32_t end)
{
    const bool topDown = picture_.order == RowOrder::TopDown;
    while (begin < end) {
        const std::uint32_t count = std::min(MaxBandRows, end - begin);
        const std::uint32_t first = topDown ? begin : end - count;
        std::size_t stride = 0;
        unsigned char* rows = output_.band(first, count, stride);
        for (std::uint32_t i = 0; i < count; ++i)
            blacken(rows + i * stride, canvas_.width);
        output_.commit(first, count);
        if (topDown)
            begin += count;
        else
            end -= count;
    }
}

void PadStage::blacken(unsigned char* from, std::size_t pixels) const
{
    if (picture_.layout == PixelLayout::Rgb24) {
        std::memset(from, 0, pixels * 3);
        return;
    }
    const std::uint32_t black = 0xFF000000;
    for (std::size_t i = 0; i < pixels; ++i)
        std::memcpy(from + 4 * i, &black, 4);
}

} // namespace imagedecode
