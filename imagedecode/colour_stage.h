// The stage that converts a picture's samples to sRGB in a texture's layout:
// with the transform its colour profile gives, or, without one, taking the
// samples for sRGB as they are (16 bits scaled to 8, grey made RGB, CMYK
// turned into RGB by its ink). A transform runs on a second thread beside
// the decoder (row_worker.h), or on the decoder's own thread where the
// sink's work already runs beside it; the rows of a picture of several
// passes are final only in its last, and are kept whole until then, up to
// MaxPassesPixels.
#pragma once

#include "colour_transform.h"
#include "incoming_rows.h"
#include "row_worker.h"

namespace imagedecode {

// Where a profile's conversion runs. On a thread of its own it goes on
// beside the decoder. Where the sink's own work (a texture's uploads)
// already runs beside the decoder, a third thread only contends for the
// cores, and the conversion is quickest on the decoder's thread, in place
// in the sink's rows where the samples keep their size.
enum class ConversionThread { Own, Decoders };

class ColourStage : public RowSink
{
public:
    // `transform`, when given, must be for the samples' layout and outlive
    // the stage.
    ColourStage(const ColourTransform* transform, RowSink& output,
                ConversionThread thread = ConversionThread::Own)
        : transform_(transform), output_(output), thread_(thread)
    {}

    bool begin(const PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

private:
    void convert(const unsigned char* in, unsigned char* out) const;
    void deliverRow(std::uint32_t index, const unsigned char* row);

    const ColourTransform* transform_;
    RowSink& output_;
    const ConversionThread thread_;
    bool inPlace_ = false; // converting the output's own rows
    unsigned char* outputBand_ = nullptr; // the output's band, in place
    std::uint32_t outputFirst_ = 0;
    std::size_t outputStride_ = 0;
    PictureInfo picture_;
    PixelLayout layout_ = PixelLayout::Rgb24; // of the output
    IncomingRows rows_;
    std::uint32_t converted_ = 0; // rows the worker has converted
    // Converts the rows beside the decoder; last, so that it stops before
    // the rows go.
    std::unique_ptr<RowWorker> worker_;
};

// Converts `pixels` samples of `samples` to TextureLayoutFor(samples) as
// they are, with no profile.
void ConvertAsSrgb(PixelLayout samples, const unsigned char* in, unsigned char* out,
                   std::size_t pixels);

} // namespace imagedecode
