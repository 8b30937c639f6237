#include "reduce_stage.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace imagedecode {

bool ReduceStage::begin(const PictureInfo& picture, std::string& reason)
{
    worker_.reset();
    picture_ = picture;
    const PictureSize declared{picture.width, picture.height};
    if (size_.width == 0 || size_.height == 0 || size_.width > declared.width ||
        size_.height > declared.height) {
        reason = "the image is smaller than the size it was to be reduced to";
        return false;
    }
    reducing_ = !(size_ == declared);
    if (!reducing_)
        return output_.begin(picture, reason);

    stride_ = std::size_t(picture.width) * BytesPerPixel(picture.layout);
    std::uint64_t rows = MaxBandRows;
    if (picture.passes > 1) {
        if (!MayKeepWhole(picture, "reduced", reason))
            return false;
        rows = picture.height;
    }
    rows_.reset(new (std::nothrow) unsigned char[rows * stride_]);
    if (!rows_) {
        reason = "not enough memory to reduce the image";
        return false;
    }
    reducer_.setUp(declared, size_, static_cast<unsigned>(BytesPerPixel(picture.layout)));
    committed_ = 0;
    // A picture of one pass is reduced beside the decoder (or here, when
    // no thread can be had).
    if (picture.passes == 1)
        worker_ = RowWorker::Start(
            [this](const unsigned char* in, unsigned char* out, std::uint32_t& index) {
                const unsigned char* reduced = reducer_.add(in, index);
                if (reduced)
                    std::memcpy(out, reduced, outputBytes());
                return reduced != nullptr;
            },
            stride_, outputBytes());
    PictureInfo reduced = picture;
    reduced.width = size_.width;
    reduced.height = size_.height;
    reduced.passes = 1;
    return output_.begin(reduced, reason);
}

unsigned char* ReduceStage::band(std::uint32_t first, std::uint32_t count, std::size_t& stride)
{
    if (!reducing_)
        return output_.band(first, count, stride);
    stride = stride_;
    if (picture_.passes > 1)
        return rows_.get() + std::size_t(first) * stride_;
    bandFirst_ = first;
    return rows_.get();
}

void ReduceStage::commit(std::uint32_t first, std::uint32_t count)
{
    if (!reducing_) {
        output_.commit(first, count);
        return;
    }
    // Rows are final in the last pass only.
    const std::uint64_t earlierPasses = std::uint64_t(picture_.passes - 1) * picture_.height;
    const bool final = committed_ >= earlierPasses;
    committed_ += count;
    if (!final)
        return;
    const std::uint32_t start = picture_.passes > 1 ? 0 : bandFirst_;
    const RowWorker::Deliver deliver = [this](std::uint32_t done, const unsigned char* reduced) {
        deliverRow(done, reduced);
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t row =
            picture_.order == RowOrder::TopDown ? first + i : first + count - 1 - i;
        const unsigned char* in = rows_.get() + std::size_t(row - start) * stride_;
        if (worker_)
            worker_->push(in, deliver);
        else
            reduceRow(in);
    }
    // The last row: every reduced row goes out before this returns.
    if (worker_ && committed_ >= std::uint64_t(picture_.passes) * picture_.height) {
        worker_->finish(deliver);
        worker_.reset();
    }
}

// The reducer sums rows from the top: a bottom-up picture goes in upside
// down, and its output rows come out bottom-up, in the order declared.
void ReduceStage::reduceRow(const unsigned char* row)
{
    std::uint32_t done = 0;
    if (const unsigned char* reduced = reducer_.add(row, done))
        deliverRow(done, reduced);
}

void ReduceStage::deliverRow(std::uint32_t done, const unsigned char* reduced)
{
    const std::uint32_t index =
        picture_.order == RowOrder::TopDown ? done : size_.height - 1 - done;
    std::size_t stride = 0;
    unsigned char* out = output_.band(index, 1, stride);
    std::memcpy(out, reduced, outputBytes());
    output_.commit(index, 1);
}

} // namespace imagedecode
