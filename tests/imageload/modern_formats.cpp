#include "modern_formats.h"

#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <stdexcept>

namespace modernformats {

namespace {

void Check(const heif_error& error)
{
    if (error.code != heif_error_Ok)
        throw std::runtime_error(std::string("libheif: ") + error.message);
}

heif_error Append(heif_context*, const void* data, size_t size, void* userdata)
{
    Bytes& out = *static_cast<Bytes*>(userdata);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out.insert(out.end(), bytes, bytes + size);
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

} // namespace

Bytes EncodeHeif(const Picture& p, Heif coding, const HeifOptions& options)
{
    heif_init(nullptr);
    heif_context* context = heif_context_alloc();
    heif_image* image = nullptr;
    Check(heif_image_create(
        int(p.width), int(p.height), heif_colorspace_RGB,
        options.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image));
    Check(heif_image_add_plane(image, heif_channel_interleaved, int(p.width), int(p.height), 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (unsigned y = 0; y < p.height; ++y)
        for (unsigned x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.argb[y * p.width + x];
            std::uint8_t* out = plane + std::size_t(y) * std::size_t(stride) +
                                (options.alpha ? 4 : 3) * std::size_t(x);
            out[0] = std::uint8_t(c >> 16), out[1] = std::uint8_t(c >> 8), out[2] = std::uint8_t(c);
            if (options.alpha)
                out[3] = std::uint8_t(c >> 24);
        }
    if (!options.profile.empty())
        Check(heif_image_set_raw_color_profile(image, "prof", options.profile.data(),
                                               options.profile.size()));
    heif_color_profile_nclx* nclx = nullptr;
    if (options.nclxPrimaries) {
        nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, std::uint16_t(options.nclxPrimaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx,
                                                             std::uint16_t(options.nclxTransfer));
        heif_nclx_color_profile_set_matrix_coefficients(nclx, 6);
        nclx->full_range_flag = 1;
        Check(heif_image_set_nclx_color_profile(image, nclx));
    }
    heif_encoder* encoder = nullptr;
    Check(heif_context_get_encoder_for_format(
        context, coding == Heif::Hevc ? heif_compression_HEVC : heif_compression_AV1, &encoder));
    heif_encoder_set_lossy_quality(encoder, options.quality);
    if (options.fast)
        heif_encoder_set_parameter(encoder, coding == Heif::Hevc ? "preset" : "speed",
                                   coding == Heif::Hevc ? "ultrafast" : "9");
    heif_encoding_options* encoding = heif_encoding_options_alloc();
    encoding->image_orientation = heif_orientation(options.orientation);
    if (nclx) {
        encoding->output_nclx_profile = nclx;
        encoding->macOS_compatibility_workaround_no_nclx_profile = 0; // write the colr box
    }
    heif_image_handle* handle = nullptr;
    Check(heif_context_encode_image(context, image, encoder, encoding, &handle));
    heif_encoding_options_free(encoding);
    if (!options.xmp.empty())
        Check(heif_context_add_XMP_metadata(context, handle, options.xmp.data(),
                                            int(options.xmp.size())));
    heif_image_handle_release(handle);
    heif_encoder_release(encoder);
    heif_image_release(image);
    if (nclx)
        heif_nclx_color_profile_free(nclx);
    Bytes out;
    heif_writer writer = {1, Append};
    Check(heif_context_write(context, &writer, &out));
    heif_context_free(context);
    return out;
}

Picture ReadHeifWithLibheif(const Bytes& file)
{
    heif_init(nullptr);
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    Picture p;
    if (heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr)
                .code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        const bool alpha = heif_image_handle_has_alpha_channel(handle);
        if (heif_decode_image(handle, &image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              nullptr)
                .code == heif_error_Ok) {
            int stride = 0;
            const std::uint8_t* plane =
                heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
            p.width = unsigned(heif_image_get_width(image, heif_channel_interleaved));
            p.height = unsigned(heif_image_get_height(image, heif_channel_interleaved));
            for (unsigned y = 0; y < p.height; ++y)
                for (unsigned x = 0; x < p.width; ++x) {
                    const std::uint8_t* c = plane + std::size_t(y) * std::size_t(stride) +
                                            (alpha ? 4 : 3) * std::size_t(x);
                    p.argb.push_back(std::uint32_t(alpha ? c[3] : 255) << 24 |
                                     std::uint32_t(c[0]) << 16 | std::uint32_t(c[1]) << 8 | c[2]);
                }
            heif_image_release(image);
        }
    }
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(context);
    return p;
}

Bytes EncodeWebp(const Picture& p, bool lossless, bool alpha, int frames)
{
    Bytes rgba;
    for (std::uint32_t c : p.argb)
        rgba.insert(rgba.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c),
                                 std::uint8_t(alpha ? c >> 24 : 255)});
    const int stride = int(p.width) * 4;
    if (frames == 1) {
        std::uint8_t* out = nullptr;
        std::size_t size = 0;
        if (alpha)
            size =
                lossless
                    ? WebPEncodeLosslessRGBA(rgba.data(), int(p.width), int(p.height), stride, &out)
                    : WebPEncodeRGBA(rgba.data(), int(p.width), int(p.height), stride, 90, &out);
        else {
            Bytes rgb;
            for (std::size_t i = 0; i < rgba.size(); i += 4)
                rgb.insert(rgb.end(), rgba.begin() + std::ptrdiff_t(i),
                           rgba.begin() + std::ptrdiff_t(i) + 3);
            size = lossless ? WebPEncodeLosslessRGB(rgb.data(), int(p.width), int(p.height),
                                                    int(p.width) * 3, &out)
                            : WebPEncodeRGB(rgb.data(), int(p.width), int(p.height),
                                            int(p.width) * 3, 90, &out);
        }
        if (!size)
            throw std::runtime_error("libwebp cannot encode the picture");
        const Bytes bytes(out, out + size);
        WebPFree(out);
        return bytes;
    }
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(int(p.width), int(p.height), &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = lossless;
    for (int f = 0; f < frames; ++f) {
        WebPPicture frame;
        WebPPictureInit(&frame);
        frame.use_argb = 1;
        frame.width = int(p.width);
        frame.height = int(p.height);
        Bytes darker = rgba;
        for (std::size_t i = 0; i < darker.size(); ++i)
            if (i % 4 != 3)
                darker[i] = std::uint8_t(darker[i] >> f);
        WebPPictureImportRGBA(&frame, darker.data(), stride);
        WebPAnimEncoderAdd(encoder, &frame, f * 100, &config);
        WebPPictureFree(&frame);
    }
    WebPAnimEncoderAdd(encoder, nullptr, frames * 100, nullptr);
    WebPData assembled;
    WebPDataInit(&assembled);
    if (!WebPAnimEncoderAssemble(encoder, &assembled))
        throw std::runtime_error("libwebp cannot assemble the animation");
    const Bytes bytes(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    WebPAnimEncoderDelete(encoder);
    return bytes;
}

Bytes WithWebpChunks(const Bytes& webp, const std::string& xmp, const Bytes& profile)
{
    const WebPData in = {webp.data(), webp.size()};
    WebPMux* mux = WebPMuxCreate(&in, 1);
    if (!xmp.empty()) {
        const WebPData chunk = {reinterpret_cast<const std::uint8_t*>(xmp.data()), xmp.size()};
        WebPMuxSetChunk(mux, "XMP ", &chunk, 1);
    }
    if (!profile.empty()) {
        const WebPData chunk = {profile.data(), profile.size()};
        WebPMuxSetChunk(mux, "ICCP", &chunk, 1);
    }
    WebPData out;
    WebPDataInit(&out);
    if (WebPMuxAssemble(mux, &out) != WEBP_MUX_OK)
        throw std::runtime_error("libwebp cannot add the chunks");
    const Bytes bytes(out.bytes, out.bytes + out.size);
    WebPDataClear(&out);
    WebPMuxDelete(mux);
    return bytes;
}

Picture ReadWebpWithLibwebp(const Bytes& file, unsigned width, unsigned height)
{
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    config.output.colorspace = MODE_BGRA;
    if (width) {
        config.options.use_scaling = 1;
        config.options.scaled_width = int(width);
        config.options.scaled_height = int(height);
    }
    Picture p;
    if (WebPDecode(file.data(), file.size(), &config) == VP8_STATUS_OK) {
        p.width = unsigned(config.output.width);
        p.height = unsigned(config.output.height);
        for (unsigned i = 0; i < p.width * p.height; ++i) {
            std::uint32_t c;
            std::memcpy(&c, config.output.u.RGBA.rgba + 4 * std::size_t(i), 4);
            p.argb.push_back(c);
        }
    }
    WebPFreeDecBuffer(&config.output);
    return p;
}

} // namespace modernformats
