#include "incoming_rows.h"

#include <new>

namespace imagedecode {

bool IncomingRows::reserve(const PictureInfo& picture, const char* done, std::string& reason)
{
    picture_ = picture;
    stride_ = std::size_t(picture.width) * BytesPerPixel(picture.layout);
    committed_ = 0;
    bandFirst_ = 0;
    std::uint64_t rows = MaxBandRows;
    if (whole()) {
        if (!MayKeepWhole(picture, done, reason))
            return false;
        rows = picture.height;
    }
    rows_.reset(new (std::nothrow) unsigned char[rows * stride_]);
    if (!rows_) {
        reason = std::string("not enough memory for the image to be ") + done;
        return false;
    }
    return true;
}

unsigned char* IncomingRows::band(std::uint32_t first, std::size_t& stride)
{
    stride = stride_;
    if (whole())
        return rows_.get() + std::size_t(first) * stride_;
    bandFirst_ = first;
    return rows_.get();
}

bool IncomingRows::commit(std::uint32_t count)
{
    const std::uint64_t earlierPasses = std::uint64_t(picture_.passes - 1) * picture_.height;
    const bool final = committed_ >= earlierPasses;
    committed_ += count;
    return final;
}

} // namespace imagedecode
