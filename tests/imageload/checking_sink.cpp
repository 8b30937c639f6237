#include "checking_sink.h"

#include <cstring>

using namespace imagedecode;

namespace {

constexpr std::size_t StridePadding = 8;
constexpr unsigned char Unwritten = 0xA5;

} // namespace

void CheckingSink::fault(const std::string& what)
{
    faults_ += what + "\n";
}

std::size_t CheckingSink::rowBytes() const
{
    return std::size_t(picture_.width) * BytesPerPixel(picture_.layout);
}

bool CheckingSink::begin(const PictureInfo& picture, std::string&)
{
    if (begun_)
        fault("begin called twice");
    if (picture.width == 0 || picture.height == 0 || picture.passes == 0)
        fault("a picture without rows, columns or passes");
    if (picture.order == RowOrder::BottomUp && !(flags_ & RowsBottomUp))
        fault("bottom-up rows from a format whose table row does not allow them");
    if (picture.passes > 1 && !(flags_ & RowsMoreThanOnce))
        fault("several passes from a format whose table row does not allow them");
    begun_ = true;
    picture_ = picture;
    pixels_.assign(rowBytes() * picture.height, Unwritten);
    return true;
}

unsigned char* CheckingSink::band(std::uint32_t first, std::uint32_t count, std::size_t& stride)
{
    stride = rowBytes() + StridePadding;
    if (!begun_ || band_ || count == 0 || count > MaxBandRows || pass_ >= picture_.passes ||
        count > picture_.height - done_) {
        fault("band " + std::to_string(first) + "+" + std::to_string(count) + " asked out of turn");
        count = 1;
    } else {
        const bool topDown = picture_.order == RowOrder::TopDown;
        if ((topDown ? first : picture_.height - (first + count)) != done_)
            fault("band " + std::to_string(first) + "+" + std::to_string(count) +
                  " is not the next in the declared order");
    }
    // Rows of earlier passes hold what was committed there.
    band_.reset(new unsigned char[stride * count]);
    std::memset(band_.get(), Unwritten, stride * count);
    for (std::uint32_t i = 0; pass_ > 0 && i < count && first + i < picture_.height; ++i)
        std::memcpy(band_.get() + i * stride, &pixels_[(first + i) * rowBytes()], rowBytes());
    bandFirst_ = first;
    bandCount_ = count;
    return band_.get();
}

void CheckingSink::commit(std::uint32_t first, std::uint32_t count)
{
    const bool topDown = picture_.order == RowOrder::TopDown;
    const std::uint32_t expectedFirst = topDown ? bandFirst_ : bandFirst_ + bandCount_ - count;
    if (!band_ || count == 0 || count > bandCount_ || first != expectedFirst ||
        first + count > picture_.height) {
        fault("commit " + std::to_string(first) + "+" + std::to_string(count) +
              " does not match the band handed out");
        band_.reset();
        return;
    }
    const std::size_t stride = rowBytes() + StridePadding;
    for (std::uint32_t i = 0; i < count; ++i)
        std::memcpy(&pixels_[(first + i) * rowBytes()],
                    band_.get() + (first + i - bandFirst_) * stride, rowBytes());
    band_.reset();
    done_ += count;
    if (done_ == picture_.height) {
        done_ = 0;
        ++pass_;
    }
}

bool CheckingSink::complete() const
{
    return begun_ && pass_ == picture_.passes && done_ == 0 && !band_;
}
