#include "area_reducer.h"

#include <algorithm>

namespace imagedecode {

namespace {

// round(area / divisor), halves up, exactly: floor(n / d) for n = 2 area +
// divisor and d = 2 divisor, both below 2^40. n times the rounded inverse of
// d is within 2^-44 of n / d (at most 256), which is either a whole number
// or at least 1 / d > 2^-40 above one, so adding 2^-40 before the floor
// makes it exact.
class Quotient
{
public:
    explicit Quotient(std::uint64_t divisor)
        : inverse_(1.0 / double(2 * divisor)), half_(double(divisor))
    {}
    // Areas are below 2^39: converted as signed numbers, which is one
    // instruction.
    unsigned char operator()(std::uint64_t area) const
    {
        constexpr double Nudge = 1.0 / double(std::uint64_t(1) << 40);
        return static_cast<unsigned char>(
            static_cast<int>((2 * double(std::int64_t(area)) + half_) * inverse_ + Nudge));
    }

private:
    double inverse_, half_;
};

// Each output pixel from the columns of sums it covers: the first and the
// last maybe in part, those between them whole. Reduced to less than half,
// at most one column lies between, taken without a loop.
template <unsigned Channels, bool OneBetween>
void SumColumns(const std::uint32_t* sums, const AreaReducer::Span* spans, std::uint32_t width,
                std::uint64_t whole, const Quotient& quotient, unsigned char* out)
{
    for (std::uint32_t ox = 0; ox < width; ++ox) {
        const AreaReducer::Span span = spans[ox];
        const std::uint32_t* first = sums + std::size_t(span.first) * Channels;
        const std::uint32_t* last = sums + std::size_t(span.last) * Channels;
        const std::uint32_t* end = sums + std::size_t(span.betweenEnd) * Channels;
        std::uint64_t between[Channels] = {};
        if (OneBetween) {
            // The column after the first, weighing nothing when it is not between.
            const std::uint64_t weight = end > first + Channels ? 1 : 0;
            for (unsigned c = 0; c < Channels; ++c)
                between[c] = first[Channels + c] * weight;
        } else {
            for (const std::uint32_t* p = first + Channels; p < end; p += Channels)
                for (unsigned c = 0; c < Channels; ++c)
                    between[c] += p[c];
        }
        for (unsigned c = 0; c < Channels; ++c)
            out[std::size_t(ox) * Channels + c] =
                quotient(std::uint64_t(first[c]) * span.firstWeight + between[c] * whole +
                         std::uint64_t(last[c]) * span.lastWeight);
    }
}

} // namespace

void AreaReducer::setUp(PictureSize from, PictureSize to, unsigned channels)
{
    from_ = from;
    to_ = to;
    channels_ = channels;
    spans_.resize(to.width);
    for (std::uint32_t ox = 0; ox < to.width; ++ox) {
        const std::uint64_t start = std::uint64_t(ox) * from.width, end = start + from.width;
        Span& span = spans_[ox];
        span.first = static_cast<std::uint32_t>(start / to.width);
        span.last = static_cast<std::uint32_t>((end - 1) / to.width);
        const std::uint64_t firstEnd = std::uint64_t(span.first + 1) * to.width;
        span.firstWeight = static_cast<std::uint32_t>(std::min(firstEnd, end) - start);
        span.lastWeight =
            span.last == span.first
                ? 0
                : static_cast<std::uint32_t>(end - std::uint64_t(span.last) * to.width);
        span.betweenEnd = std::max(span.last, span.first + 1);
    }
    // Less than twice as wide: an output column covers at most three input
    // columns, and the column after its first is in the picture (or the
    // spare one of sums) even when it is not between.
    oneBetween_ = std::uint64_t(from.width) < 2 * std::uint64_t(to.width);
    sums_.assign((std::size_t(from.width) + 1) * channels, 0);
    out_.resize(std::size_t(to.width) * channels);
    divisor_ = std::uint64_t(from.width) * from.height;
    rowEnd_ = from.height;
    at_ = 0;
    row_ = 0;
}

const unsigned char* AreaReducer::add(const unsigned char* row, std::uint32_t& completed)
{
    const std::size_t samples = std::size_t(from_.width) * channels_;
    const std::uint64_t end = at_ + to_.height;
    // The part of this row inside the output row being summed, and the rest
    // in the next one.
    const std::uint32_t inside = static_cast<std::uint32_t>(std::min(end, rowEnd_) - at_);
    const std::uint32_t rest = to_.height - inside;
    std::uint32_t* __restrict sums = sums_.data();
    const unsigned char* __restrict in = row;
    for (std::size_t i = 0; i < samples; ++i)
        sums[i] += in[i] * inside;
    at_ = end;
    if (at_ < rowEnd_)
        return nullptr;

    finishRow();
    completed = row_++;
    rowEnd_ += from_.height;
    for (std::size_t i = 0; i < samples; ++i)
        sums[i] = in[i] * rest;
    return out_.data();
}

// Sums the finished row's columns into output pixels and divides.
void AreaReducer::finishRow()
{
    const Quotient quotient(divisor_);
    const std::uint32_t* sums = sums_.data();
    const Span* spans = spans_.data();
    const bool one = oneBetween_;
    if (channels_ == 3)
        (one ? SumColumns<3, true> : SumColumns<3, false>)(sums, spans, to_.width, to_.width,
                                                           quotient, out_.data());
    else
        (one ? SumColumns<4, true> : SumColumns<4, false>)(sums, spans, to_.width, to_.width,
                                                           quotient, out_.data());
}

} // namespace imagedecode
