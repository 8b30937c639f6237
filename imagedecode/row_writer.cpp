#include "decoder.h"

#include <algorithm>

namespace imagedecode {

bool RowWriter::begin(const PictureInfo& picture, std::string& reason)
{
    picture_ = picture;
    return sink_.begin(picture, reason);
}

unsigned char* RowWriter::next()
{
    if (used_ == count_) {
        finish();
        if (done_ == picture_.height)
            done_ = 0; // the next pass
        count_ = std::min(MaxBandRows, picture_.height - done_);
        first_ = picture_.order == RowOrder::TopDown ? done_ : picture_.height - done_ - count_;
        band_ = sink_.band(first_, count_, stride_);
    }
    const std::uint32_t inBand = picture_.order == RowOrder::TopDown ? used_ : count_ - 1 - used_;
    ++used_;
    work_.pixelsFilled += picture_.width;
    return band_ + std::size_t(inBand) * stride_;
}

void RowWriter::finish()
{
    if (used_ == 0)
        return;
    sink_.commit(picture_.order == RowOrder::TopDown ? first_ : first_ + count_ - used_, used_);
    done_ += used_;
    first_ = count_ = used_ = 0;
}

} // namespace imagedecode
