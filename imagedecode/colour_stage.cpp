#include "colour_stage.h"

#include <cstring>

namespace imagedecode {

namespace {

void PutArgb(unsigned char* out, unsigned a, unsigned r, unsigned g, unsigned b)
{
    const std::uint32_t argb = a << 24 | r << 16 | g << 8 | b;
    std::memcpy(out, &argb, 4);
}

} // namespace

void ConvertAsSrgb(PixelLayout samples, const unsigned char* in, unsigned char* out,
                   std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i) {
        switch (samples) {
        case PixelLayout::Rgb24:
        case PixelLayout::Argb32:
            std::memcpy(out, in, BytesPerPixel(samples));
            break;
        case PixelLayout::Grey8:
            out[0] = out[1] = out[2] = in[0];
            break;
        case PixelLayout::GreyAlpha8:
            PutArgb(out, in[1], in[0], in[0], in[0]);
            break;
        case PixelLayout::Grey16:
            out[0] = out[1] = out[2] = Scale16To8(in);
            break;
        case PixelLayout::GreyAlpha16: {
            const unsigned grey = Scale16To8(in);
            PutArgb(out, Scale16To8(in + 2), grey, grey, grey);
            break;
        }
        case PixelLayout::Rgb48:
            out[0] = Scale16To8(in), out[1] = Scale16To8(in + 2), out[2] = Scale16To8(in + 4);
            break;
        case PixelLayout::Rgba64:
            PutArgb(out, Scale16To8(in + 6), Scale16To8(in), Scale16To8(in + 2),
                    Scale16To8(in + 4));
            break;
        case PixelLayout::Cmyk32:
            CmykToRgb(in, out);
            break;
        }
        in += BytesPerPixel(samples);
        out += BytesPerPixel(TextureLayoutFor(samples));
    }
}

bool ColourStage::begin(const PictureInfo& picture, std::string& reason)
{
    worker_.reset();
    picture_ = picture;
    if (transform_ && transform_->samples() != picture.layout) {
        reason = "the colour profile was made for other samples than the picture's";
        return false;
    }
    layout_ = TextureLayoutFor(picture.layout);
    inPlace_ = transform_ && thread_ == ConversionThread::Decoders && picture.passes == 1 &&
               layout_ == picture.layout;
    if (!inPlace_ && !rows_.reserve(picture, "colour-converted", reason))
        return false;
    converted_ = 0;
    // The profile's conversion is the costly one: beside the decoder (or
    // here, when no thread can be had).
    const std::size_t outBytes = std::size_t(picture.width) * BytesPerPixel(layout_);
    if (transform_ && thread_ == ConversionThread::Own && picture.passes == 1)
        worker_ = RowWorker::Start(
            [this](const unsigned char* in, unsigned char* out, std::uint32_t& index) {
                convert(in, out);
                const std::uint32_t n = converted_++;
                index = picture_.order == RowOrder::TopDown ? n : picture_.height - 1 - n;
                return true;
            },
            rows_.stride(), outBytes);
    PictureInfo converted = picture;
    converted.layout = layout_;
    converted.passes = 1;
    return output_.begin(converted, reason);
}

unsigned char* ColourStage::band(std::uint32_t first, std::uint32_t count, std::size_t& stride)
{
    if (!inPlace_)
        return rows_.band(first, stride);
    outputBand_ = output_.band(first, count, stride);
    outputFirst_ = first;
    outputStride_ = stride;
    return outputBand_;
}

void ColourStage::commit(std::uint32_t first, std::uint32_t count)
{
    if (inPlace_) {
        // Each row converted where it lies in the output's band, every
        // pixel read before it is written.
        for (std::uint32_t i = first; i < first + count; ++i) {
            unsigned char* row = outputBand_ + (i - outputFirst_) * outputStride_;
            convert(row, row);
        }
        output_.commit(first, count);
        return;
    }
    if (!rows_.commit(count))
        return;
    if (!worker_) {
        // In the declared order, straight into the output's rows.
        std::size_t stride = 0;
        unsigned char* out = output_.band(first, count, stride);
        for (std::uint32_t i = 0; i < count; ++i)
            convert(rows_.row(first + i), out + i * stride);
        output_.commit(first, count);
        return;
    }
    const RowWorker::Deliver deliver = [this](std::uint32_t index, const unsigned char* row) {
        deliverRow(index, row);
    };
    rows_.eachInOrder(first, count, [&](std::uint32_t, const unsigned char* row) {
        worker_->push(row, deliver);
    });
    // The last row: every converted row goes out before this returns.
    if (rows_.complete()) {
        worker_->finish(deliver);
        worker_.reset();
    }
}

void ColourStage::convert(const unsigned char* in, unsigned char* out) const
{
    if (transform_)
        transform_->convert(in, out, picture_.width);
    else
        ConvertAsSrgb(picture_.layout, in, out, picture_.width);
}

void ColourStage::deliverRow(std::uint32_t index, const unsigned char* row)
{
    std::size_t stride = 0;
    unsigned char* out = output_.band(index, 1, stride);
    std::memcpy(out, row, std::size_t(picture_.width) * BytesPerPixel(layout_));
    output_.commit(index, 1);
}

} // namespace imagedecode
