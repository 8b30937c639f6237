// The stage that moves a picture's rows to other heights, keeping its
// columns: a re-projection such as a cylindrical panorama's into an
// equirectangular one. Each output row takes the input rows its span covers:
// the average of them, each weighted by the part it covers, where the span
// holds a row or more, or else the two rows around its middle, weighted
// linearly. It keeps no more input rows than one output row spans; a picture
// of several passes, or one whose rows come bottom-up, is kept whole until
// its last row, up to MaxPassesPixels.
#pragma once

#include "row_sink.h"

#include <functional>
#include <memory>
#include <vector>

namespace imagedecode {

class ReprojectStage : public RowSink
{
public:
    // Where the edge `edge` (0 to `height`) between output rows lies in the
    // input, given the input's height: from 0 (its top) to that height,
    // growing with `edge`.
    using RowMap = std::function<double(double edge, std::uint32_t inputHeight)>;

    // Output `height` rows high.
    ReprojectStage(std::uint32_t height, RowMap map, RowSink& output)
        : height_(height), map_(std::move(map)), output_(output)
    {}

    bool begin(const PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

private:
    // The input rows output row `row` needs: from first to last.
    std::uint32_t firstNeeded(std::uint32_t row) const;
    std::uint32_t lastNeeded(std::uint32_t row) const;
    const unsigned char* input(std::uint32_t row) const;
    // Makes every output row whose input rows have all come.
    void deliverUpTo(std::uint32_t arrived);
    void deliver(std::uint32_t row);

    std::uint32_t height_;
    RowMap map_;
    RowSink& output_;
    PictureInfo picture_;
    std::size_t rowBytes_ = 0;
    std::vector<double> edges_;             // per output edge, in input rows
    bool whole_ = false;                    // the picture is kept whole
    std::uint32_t ringRows_ = 0;            // input rows kept, unless whole
    std::unique_ptr<unsigned char[]> rows_; // the kept input rows
    std::unique_ptr<unsigned char[]> band_; // the band handed out, unless whole
    std::uint32_t bandFirst_ = 0;
    std::uint64_t committed_ = 0; // input rows committed, every pass
    std::uint32_t next_ = 0;      // the next output row
    std::vector<float> sums_;     // one output row's samples
};

} // namespace imagedecode
