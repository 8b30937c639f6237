// The sink that shows a picture no larger than the texture: a picture that
// fits goes to the output sink as it is, row for row; a larger one is
// reduced to the texture size (texture_size.h) as its rows come, with the
// area filter (area_reducer.h), and the output sink gets the reduced
// picture. It never holds the full picture, except that of a picture of
// several passes (interlaced PNG), whose rows are final only in its last
// pass: that one is kept whole until then, up to MaxPassesPixels.
#pragma once

#include "area_reducer.h"
#include "reduce_worker.h"
#include "texture_size.h"

#include <memory>

namespace imagedecode {

// Largest picture of several passes that is reduced.
constexpr std::uint64_t MaxPassesPixels = std::uint64_t(16384) * 8192;

class ReducingSink : public RowSink
{
public:
    ReducingSink(const TextureLimits& limits, RowSink& output) : limits_(limits), output_(output) {}

    PictureSize plan(PictureSize full) override;
    bool begin(const PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

    // The size the output got.
    PictureSize size() const { return size_; }

protected:
    // The size a picture of `full` size is shown at: by default the texture
    // size (texture_size.h). Asked before the first row, once the decoder has
    // read what precedes the pixels; never larger than `full`.
    virtual PictureSize chooseSize(PictureSize full) { return TextureSize(full, limits_); }
    const TextureLimits& limits() const { return limits_; }

private:
    void reduceRow(const unsigned char* row);
    void deliverRow(std::uint32_t done, const unsigned char* reduced);

    TextureLimits limits_;
    RowSink& output_;
    PictureSize planned_; // the size plan() answered, if asked
    PictureInfo picture_;
    PictureSize size_;
    bool reducing_ = false;
    AreaReducer reducer_;
    std::size_t stride_ = 0;                // of the input rows
    std::unique_ptr<unsigned char[]> rows_; // the band handed out, or a picture of several passes
    std::uint32_t bandFirst_ = 0;
    std::uint64_t committed_ = 0; // input rows committed, every pass
    // Reduces the rows of a picture of one pass on a second thread; last,
    // so that it stops before the reducer and the rows go.
    std::unique_ptr<ReduceWorker> worker_;
};

} // namespace imagedecode
