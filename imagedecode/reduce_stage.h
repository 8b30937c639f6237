// The stage that reduces a picture to a smaller size as its rows come, with
// the area filter (area_reducer.h), and hands the reduced rows on to the
// next sink. It never holds the full picture, except that of a picture of
// several passes (interlaced PNG), whose rows are final only in its last
// pass: that one is kept whole until then, up to MaxPassesPixels. A picture
// of one pass is reduced on a second thread beside the decoder.
#pragma once

#include "area_reducer.h"
#include "incoming_rows.h"
#include "row_worker.h"

#include <memory>

namespace imagedecode {

class ReduceStage : public RowSink
{
public:
    // Reduces to `size`; a picture of that size already passes as it is.
    ReduceStage(PictureSize size, RowSink& output) : size_(size), output_(output) {}

    // Refuses a picture smaller than the size on a side.
    bool begin(const PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

private:
    void reduceRow(const unsigned char* row);
    std::size_t outputBytes() const
    {
        return std::size_t(size_.width) * BytesPerPixel(picture_.layout);
    }
    void deliverRow(std::uint32_t done, const unsigned char* reduced);

    PictureSize size_;
    RowSink& output_;
    PictureInfo picture_;
    bool reducing_ = false;
    AreaReducer reducer_;
    IncomingRows rows_;
    // Reduces the rows of a picture of one pass on a second thread; last,
    // so that it stops before the reducer and the rows go.
    std::unique_ptr<RowWorker> worker_;
};

} // namespace imagedecode
