#include "area_reducer.h"

#include <algorithm>
#include <cstring>

namespace imagedecode {

namespace {

// The averages are rounded halves up, exactly, with doubles: a column's
// weight is its area w over the output pixel's area d (below 2^34), so the
// sum of sums times weights plus a half is (2 area + d) / 2d, give or take
// 2^-42 for the roundings (each term below 256, each step within 2^-52 of
// it). That is either a whole number or at least 1 / 2d > 2^-35 from one,
// so adding 2^-36 before the floor makes it exact.
constexpr double Half = 0.5 + 1.0 / double(std::uint64_t(1) << 36);

// Output samples are below 256.5: converted as signed numbers, which is
// one instruction.
inline unsigned char Rounded(double average)
{
    return static_cast<unsigned char>(static_cast<int>(average));
}

// Adds (or, at the start of an output row, sets) the row's samples times
// its weight. Bytes times a 16-bit weight, both widened to 16 bits, are
// 16-bit vector multiplies with 32-bit results.
template <typename Sum>
void Weigh(Sum* __restrict sums, const unsigned char* __restrict in, std::size_t samples,
           std::uint32_t weight, bool add)
{
    if (weight <= 0xFFFF) {
        const std::uint16_t w = static_cast<std::uint16_t>(weight);
        if (add)
            for (std::size_t i = 0; i < samples; ++i)
                sums[i] += std::uint32_t(std::uint16_t(in[i])) * std::uint32_t(w);
        else
            for (std::size_t i = 0; i < samples; ++i)
                sums[i] = std::uint32_t(std::uint16_t(in[i])) * std::uint32_t(w);
    } else {
        for (std::size_t i = 0; i < samples; ++i)
            sums[i] = (add ? sums[i] : 0) + Sum(in[i]) * weight;
    }
}

// Each output pixel from the columns of sums it covers: the first and the
// last maybe in part, those between them whole. Reduced to less than half,
// at most one column lies between, taken without a loop (weighing nothing
// when it is not between).
template <unsigned Channels, bool OneBetween, typename Sum>
void SumColumns(const Sum* __restrict sums, const AreaReducer::Column* __restrict columns,
                std::uint32_t width, unsigned char* __restrict out)
{
    for (std::uint32_t ox = 0; ox < width; ++ox, out += Channels) {
        const AreaReducer::Column column = columns[ox];
        const Sum* first = sums + std::size_t(column.first) * Channels;
        const Sum* last = sums + std::size_t(column.betweenEnd) * Channels;
        for (unsigned c = 0; c < Channels; ++c) {
            double between;
            if (OneBetween) {
                between = double(first[Channels + c]);
            } else {
                std::uint64_t sum = 0;
                for (const Sum* p = first + Channels + c; p < last; p += Channels)
                    sum += *p;
                between = double(sum);
            }
            out[c] =
                Rounded(double(first[c]) * column.firstWeight + between * column.betweenWeight +
                        double(last[c]) * column.lastWeight + Half);
        }
    }
}

// The same with the channels of a pixel in the lanes of one vector (four
// lanes, the fourth unused for three channels), for sums below 2^31: about
// half the instructions.
using SumLanes = std::int32_t __attribute__((vector_size(16)));
using AverageLanes = double __attribute__((vector_size(32)));

// (Through a reference: a vector this wide is passed differently with and
// without AVX.)
inline void Load(const std::uint32_t* sums, AverageLanes& lanes)
{
    SumLanes loaded;
    std::memcpy(&loaded, sums, sizeof loaded);
    lanes = __builtin_convertvector(loaded, AverageLanes);
}

template <unsigned Channels, bool OneBetween>
void SumColumnLanes(const std::uint32_t* __restrict sums,
                    const AreaReducer::Column* __restrict columns, std::uint32_t width,
                    unsigned char* __restrict out)
{
    for (std::uint32_t ox = 0; ox < width; ++ox, out += Channels) {
        const AreaReducer::Column column = columns[ox];
        const std::uint32_t* first = sums + std::size_t(column.first) * Channels;
        const std::uint32_t* last = sums + std::size_t(column.betweenEnd) * Channels;
        AverageLanes firstLanes, between, lastLanes;
        Load(first, firstLanes);
        Load(first + Channels, between);
        Load(last, lastLanes);
        if (!OneBetween)
            for (const std::uint32_t* p = first + 2 * Channels; p < last; p += Channels) {
                AverageLanes more;
                Load(p, more);
                between += more;
            }
        const AverageLanes average = firstLanes * column.firstWeight +
                                     between * column.betweenWeight +
                                     lastLanes * column.lastWeight + Half;
        const SumLanes rounded = __builtin_convertvector(average, SumLanes);
        for (unsigned c = 0; c < Channels; ++c)
            out[c] = static_cast<unsigned char>(rounded[c]);
    }
}

} // namespace

void AreaReducer::setUp(PictureSize from, PictureSize to, unsigned channels)
{
    from_ = from;
    to_ = to;
    channels_ = channels;
    const double area = double(from.width) * double(from.height);
    const double whole = double(to.width) / area;
    columns_.resize(to.width);
    for (std::uint32_t ox = 0; ox < to.width; ++ox) {
        const std::uint64_t start = std::uint64_t(ox) * from.width, end = start + from.width;
        const std::uint64_t first = start / to.width, last = (end - 1) / to.width;
        const std::uint64_t firstEnd = (first + 1) * to.width;
        Column& column = columns_[ox];
        column.first = static_cast<std::uint32_t>(first);
        column.betweenEnd = static_cast<std::uint32_t>(std::max(last, first + 1));
        column.firstWeight = double(std::min(firstEnd, end) - start) / area;
        column.betweenWeight = last > first + 1 ? whole : 0;
        column.lastWeight = last == first ? 0 : double(end - last * to.width) / area;
    }
    // Less than twice as wide: an output column covers at most three input
    // columns. The column after the first is in the picture, or the spare
    // one of sums, even when it is not between; a sample more is read, and
    // not used, by vectors of four lanes for three channels.
    oneBetween_ = std::uint64_t(from.width) < 2 * std::uint64_t(to.width);
    const std::size_t samples = (std::size_t(from.width) + 2) * channels;
    // A row of sums holds at most 255 times the picture's height: 31 bits
    // unless the picture is taller than 8.4 million rows.
    const bool wide = std::uint64_t(from.height) * 255 > 0x7FFFFFFFu;
    sums_.assign(wide ? 0 : samples, 0);
    wideSums_.assign(wide ? samples : 0, 0);
    out_.resize(std::size_t(to.width) * channels);
    rowEnd_ = from.height;
    at_ = 0;
    row_ = 0;
}

const unsigned char* AreaReducer::add(const unsigned char* row, std::uint32_t& completed)
{
    return wideSums_.empty() ? addTo(sums_.data(), row, completed)
                             : addTo(wideSums_.data(), row, completed);
}

template <typename Sum>
const unsigned char* AreaReducer::addTo(Sum* sums, const unsigned char* row,
                                        std::uint32_t& completed)
{
    const std::size_t samples = std::size_t(from_.width) * channels_;
    const std::uint64_t end = at_ + to_.height;
    // The part of this row inside the output row being summed, and the rest
    // in the next one.
    const std::uint32_t inside = static_cast<std::uint32_t>(std::min(end, rowEnd_) - at_);
    Weigh(sums, row, samples, inside, true);
    at_ = end;
    if (at_ < rowEnd_)
        return nullptr;

    finishRow(sums);
    completed = row_++;
    rowEnd_ += from_.height;
    Weigh(sums, row, samples, to_.height - inside, false);
    return out_.data();
}

// Sums the finished row's columns into output pixels.
template <> void AreaReducer::finishRow(const std::uint32_t* sums)
{
    const Column* columns = columns_.data();
    unsigned char* out = out_.data();
    const bool one = oneBetween_;
    if (channels_ == 3)
        (one ? SumColumnLanes<3, true> : SumColumnLanes<3, false>)(sums, columns, to_.width, out);
    else
        (one ? SumColumnLanes<4, true> : SumColumnLanes<4, false>)(sums, columns, to_.width, out);
}

template <> void AreaReducer::finishRow(const std::uint64_t* sums)
{
    const Column* columns = columns_.data();
    unsigned char* out = out_.data();
    if (channels_ == 3)
        SumColumns<3, false>(sums, columns, to_.width, out);
    else
        SumColumns<4, false>(sums, columns, to_.width, out);
}

} // namespace imagedecode
