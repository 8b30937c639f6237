#include "reduce_stage.h"

#include <cstring>

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

    if (!rows_.reserve(picture, "reduced", reason))
        return false;
    reducer_.setUp(declared, size_, static_cast<unsigned>(BytesPerPixel(picture.layout)));
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
            rows_.stride(), outputBytes());
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
    return rows_.band(first, stride);
}

void ReduceStage::commit(std::uint32_t first, std::uint32_t count)
{
    if (!reducing_) {
        output_.commit(first, count);
        return;
    }
    if (!rows_.commit(count))
        return;
    const RowWorker::Deliver deliver = [this](std::uint32_t done, const unsigned char* reduced) {
        deliverRow(done, reduced);
    };
    rows_.eachInOrder(first, count, [&](std::uint32_t, const unsigned char* row) {
        if (worker_)
            worker_->push(row, deliver);
        else
            reduceRow(row);
    });
    // The last row: every reduced row goes out before this returns.
    if (worker_ && rows_.complete()) {
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
