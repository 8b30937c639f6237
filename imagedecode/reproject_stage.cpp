#include "reproject_stage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace imagedecode {

bool ReprojectStage::begin(const PictureInfo& picture, std::string& reason)
{
    picture_ = picture;
    if (!IsTextureLayout(picture.layout) || height_ == 0) {
        reason = "the image cannot be re-projected";
        return false;
    }
    rowBytes_ = std::size_t(picture.width) * BytesPerPixel(picture.layout);
    edges_.resize(std::size_t(height_) + 1);
    for (std::uint32_t e = 0; e <= height_; ++e)
        edges_[e] = std::clamp(map_(double(e), picture.height), 0.0, double(picture.height));
    for (std::uint32_t e = 1; e <= height_; ++e)
        edges_[e] = std::max(edges_[e], edges_[e - 1]);

    // Rows come one by one in a ring as large as the widest span, unless
    // they are final only at the end.
    whole_ = picture.passes > 1 || picture.order == RowOrder::BottomUp;
    std::uint64_t rows = picture.height;
    if (whole_) {
        if (!MayKeepWhole(picture, "re-projected", reason))
            return false;
    } else {
        std::uint32_t widest = 0;
        for (std::uint32_t row = 0; row < height_; ++row)
            widest = std::max(widest, lastNeeded(row) - firstNeeded(row) + 1);
        rows = ringRows_ = std::min(picture.height, widest + 1);
        band_.reset(new (std::nothrow) unsigned char[MaxBandRows * rowBytes_]);
    }
    rows_.reset(new (std::nothrow) unsigned char[rows * rowBytes_]);
    if (!rows_ || (!whole_ && !band_)) {
        reason = "not enough memory to re-project the image";
        return false;
    }
    sums_.assign(rowBytes_, 0.0f);
    committed_ = 0;
    next_ = 0;
    PictureInfo projected = picture;
    projected.height = height_;
    projected.order = RowOrder::TopDown;
    projected.passes = 1;
    return output_.begin(projected, reason);
}

std::uint32_t ReprojectStage::firstNeeded(std::uint32_t row) const
{
    const double from = edges_[row], to = edges_[row + 1];
    const double start = to - from >= 1 ? from : std::max(0.0, (from + to) / 2 - 0.5);
    return std::min(picture_.height - 1, static_cast<std::uint32_t>(start));
}

std::uint32_t ReprojectStage::lastNeeded(std::uint32_t row) const
{
    const double from = edges_[row], to = edges_[row + 1];
    const double end = to - from >= 1 ? std::ceil(to) - 1 : std::floor((from + to) / 2 - 0.5) + 1;
    return std::min(picture_.height - 1, static_cast<std::uint32_t>(std::max(0.0, end)));
}

const unsigned char* ReprojectStage::input(std::uint32_t row) const
{
    return rows_.get() + std::size_t(whole_ ? row : row % ringRows_) * rowBytes_;
}

unsigned char* ReprojectStage::band(std::uint32_t first, std::uint32_t, std::size_t& stride)
{
    stride = rowBytes_;
    if (whole_)
        return rows_.get() + std::size_t(first) * rowBytes_;
    bandFirst_ = first;
    return band_.get();
}

void ReprojectStage::commit(std::uint32_t first, std::uint32_t count)
{
    committed_ += count;
    if (whole_) {
        if (committed_ >= std::uint64_t(picture_.passes) * picture_.height)
            deliverUpTo(picture_.height - 1);
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t row = first + i;
        std::memcpy(rows_.get() + std::size_t(row % ringRows_) * rowBytes_,
                    band_.get() + std::size_t(row - bandFirst_) * rowBytes_, rowBytes_);
        deliverUpTo(row);
    }
}

void ReprojectStage::deliverUpTo(std::uint32_t arrived)
{
    while (next_ < height_ && (lastNeeded(next_) <= arrived || arrived == picture_.height - 1))
        deliver(next_++);
}

void ReprojectStage::deliver(std::uint32_t row)
{
    const double from = edges_[row], to = edges_[row + 1];
    std::fill(sums_.begin(), sums_.end(), 0.0f);
    const auto add = [&](std::uint32_t in, double weight) {
        const unsigned char* samples = input(in);
        const float w = float(weight);
        for (std::size_t i = 0; i < rowBytes_; ++i)
            sums_[i] += w * samples[i];
    };
    if (to - from >= 1) {
        // The average of the rows the span covers, each by the part it covers.
        for (std::uint32_t in = firstNeeded(row); in <= lastNeeded(row); ++in) {
            const double part = std::min(to, in + 1.0) - std::max(from, double(in));
            if (part > 0)
                add(in, part / (to - from));
        }
    } else {
        // The two rows around the span's middle, weighted linearly.
        const double middle = std::clamp((from + to) / 2 - 0.5, 0.0, picture_.height - 1.0);
        const std::uint32_t above = static_cast<std::uint32_t>(middle);
        const double below = middle - above;
        add(above, 1 - below);
        if (below > 0 && above + 1 < picture_.height)
            add(above + 1, below);
    }
    std::size_t stride = 0;
    unsigned char* out = output_.band(row, 1, stride);
    for (std::size_t i = 0; i < rowBytes_; ++i)
        out[i] = static_cast<unsigned char>(std::min(255.0f, sums_[i] + 0.5f));
    output_.commit(row, 1);
}

} // namespace imagedecode
