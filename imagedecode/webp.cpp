// WebP pictures through libwebp: lossy, lossless, with alpha; of an animated
// one its first frame. A picture larger than it is shown is scaled down by
// libwebp while it is decoded, which averages the pixels each one covers;
// otherwise libwebp decodes the whole picture at once, and its rows then go
// to the sink. The XMP and ICCP chunks come out of the container before.
#include "byte_reader.h"
#include "decoder.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

namespace imagedecode {

namespace {

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 12 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBP", 4) == 0;
}

// Hands a decoded picture, `stride` bytes a row, to the sink.
bool HandRows(const std::uint8_t* pixels, std::size_t stride, const PictureInfo& picture,
              RowSink& sink, DecodeWork& work, std::string& reason)
{
    RowWriter rows(sink, work);
    if (!rows.begin(picture, reason))
        return false;
    const std::size_t rowBytes = std::size_t(picture.width) * BytesPerPixel(picture.layout);
    for (std::uint32_t y = 0; y < picture.height; ++y)
        std::memcpy(rows.next(), pixels + y * stride, rowBytes);
    rows.finish();
    return true;
}

class WebpDecoder : public Decoder
{
public:
    bool open(const unsigned char* data, std::size_t size, std::string& reason);
    PictureSize sizeCovering(PictureSize wanted) const override;
    bool decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason) override;

private:
    void takeChunks();
    bool decodeFirstFrame(RowSink& sink, DecodeWork& work, std::string& reason);

    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    bool animated_ = false;
};

bool WebpDecoder::open(const unsigned char* data, std::size_t size, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a WebP file");
    data_ = data;
    size_ = size;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data_, size_, &features) != VP8_STATUS_OK)
        return Fail(reason, "damaged WebP file: its header cannot be read");
    if (features.width <= 0 || features.height <= 0 ||
        !CheckDimensions(std::uint64_t(features.width), std::uint64_t(features.height), reason))
        return false;
    animated_ = features.has_animation;
    const bool alpha = features.has_alpha || animated_;
    description_.picture =
        PictureInfo{std::uint32_t(features.width), std::uint32_t(features.height),
                    alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24};
    takeChunks();
    return true;
}

// The XMP packet and the colour profile, from the container's chunks.
void WebpDecoder::takeChunks()
{
    const WebPData whole = {data_, size_};
    WebPDemuxer* demuxer = WebPDemux(&whole);
    if (!demuxer)
        return;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demuxer, "XMP ", 1, &chunk)) {
        XmpPacket& xmp = description_.xmp;
        xmp.found = true;
        if (chunk.chunk.size > MaxXmpBytes)
            xmp.problem = LargerThanLimit("XMP metadata", MaxXmpBytes);
        else
            xmp.text.assign(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    if (WebPDemuxGetChunk(demuxer, "ICCP", 1, &chunk)) {
        IccProfile& profile = description_.profile;
        profile.found = true;
        if (!ProfileTooLarge(chunk.chunk.size, profile.problem))
            profile.data.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demuxer);
}

// libwebp scales a still picture to any size while it decodes it.
PictureSize WebpDecoder::sizeCovering(PictureSize wanted) const
{
    const PictureSize full = description_.size();
    if (animated_ || wanted.width == 0 || wanted.height == 0 || wanted.width > full.width ||
        wanted.height > full.height)
        return full;
    return wanted;
}

bool WebpDecoder::decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason)
{
    if (animated_)
        return decodeFirstFrame(sink, work, reason);
    PictureInfo picture = description_.picture;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Fail(reason, "the WebP library does not match");
    config.output.colorspace = picture.layout == PixelLayout::Argb32 ? MODE_BGRA : MODE_RGB;
    if (!(size == description_.size())) {
        config.options.use_scaling = 1;
        config.options.scaled_width = int(size.width);
        config.options.scaled_height = int(size.height);
        picture.width = size.width;
        picture.height = size.height;
    }
    const VP8StatusCode status = WebPDecode(data_, size_, &config);
    bool ok = false;
    if (status == VP8_STATUS_OUT_OF_MEMORY)
        reason = "not enough memory for the image";
    else if (status != VP8_STATUS_OK)
        reason = "damaged WebP file: its picture data cannot be decoded";
    else if (config.output.width != int(picture.width) ||
             config.output.height != int(picture.height))
        reason = "damaged WebP file: the picture decoded is not of its declared size";
    else
        ok = HandRows(config.output.u.RGBA.rgba, config.output.u.RGBA.stride, picture, sink, work,
                      reason);
    WebPFreeDecBuffer(&config.output);
    return ok;
}

// The first frame of an animation, on the whole canvas.
bool WebpDecoder::decodeFirstFrame(RowSink& sink, DecodeWork& work, std::string& reason)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return Fail(reason, "the WebP library does not match");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData whole = {data_, size_};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&whole, &options);
    if (!decoder)
        return Fail(reason, "damaged WebP file: its animation cannot be read");
    WebPAnimInfo info;
    std::uint8_t* frame = nullptr;
    int timestamp = 0;
    const PictureInfo& picture = description_.picture;
    bool ok = false;
    if (!WebPAnimDecoderGetInfo(decoder, &info) || info.canvas_width != picture.width ||
        info.canvas_height != picture.height)
        reason = "damaged WebP file: its animation's canvas is not of its declared size";
    else if (!WebPAnimDecoderGetNext(decoder, &frame, &timestamp) || !frame)
        reason = "damaged WebP file: its first frame cannot be decoded";
    else
        ok = HandRows(frame, std::size_t(picture.width) * 4, picture, sink, work, reason);
    WebPAnimDecoderDelete(decoder);
    return ok;
}

} // namespace

extern const Codec WebpCodec = {Matches, OpenWithLibrary<WebpDecoder>};

} // namespace imagedecode
