// HEIF pictures through libheif: HEVC-coded (HEIC, as phones save them) and
// AV1-coded (AVIF). The primary image, with the rotation, mirroring and
// cropping the file asks for, its tiles joined where it is a grid; decoded
// strictly, so that damaged data refuses the file. libheif decodes the whole
// picture at once; its rows then go to the sink. The size the file declares
// is checked before anything is decoded, and libheif's own limit agrees with
// the viewer's: no side over 32768 pixels, a gigapixel's square.
#include "byte_reader.h"
#include "decoder.h"
#include "nclx_profile.h"

#include <libheif/heif.h>

#include <cmath>
#include <cstring>
#include <mutex>

namespace imagedecode {

namespace {

// Brands of HEIF pictures: HEVC stills and sequences, the image file
// format's own, AV1 stills and sequences.
const char* const Brands[] = {"heic", "heix", "heim", "heis", "hevc",
                              "hevx", "mif1", "msf1", "avif", "avis"};

// A file type box naming a HEIF brand, as major brand or compatible one,
// within the first bytes.
bool Matches(const unsigned char* d, std::size_t size)
{
    if (size < 16 || std::memcmp(d + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t box = std::min<std::size_t>(size, LoadBe32(d));
    for (std::size_t at = 8; at + 4 <= box; at += 4) {
        if (at == 12)
            continue; // the minor version
        for (const char* brand : Brands)
            if (std::memcmp(d + at, brand, 4) == 0)
                return true;
    }
    return false;
}

const int LibheifSideLimit = int(std::sqrt(double(MaxImagePixels)));

void StartLibheif()
{
    static std::once_flag started;
    std::call_once(started, [] { heif_init(nullptr); });
}

bool Failed(const heif_error& error, std::string& reason)
{
    if (error.code == heif_error_Ok)
        return false;
    reason = std::string("damaged HEIF file: ") + error.message;
    return true;
}

class HeifDecoder : public Decoder
{
public:
    HeifDecoder() = default;
    HeifDecoder(const HeifDecoder&) = delete;
    HeifDecoder& operator=(const HeifDecoder&) = delete;
    ~HeifDecoder() override
    {
        if (handle_)
            heif_image_handle_release(handle_);
        if (context_)
            heif_context_free(context_);
    }

    bool open(const unsigned char* data, std::size_t size, std::string& reason);
    bool decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason) override;

private:
    void takeXmp();
    void takeProfile();

    heif_context* context_ = nullptr;
    heif_image_handle* handle_ = nullptr;
};

bool HeifDecoder::open(const unsigned char* data, std::size_t size, std::string& reason)
{
    StartLibheif();
    context_ = heif_context_alloc();
    if (!context_)
        return Fail(reason, "not enough memory for the HEIF decoder");
    // libheif checks each picture and tile it decodes against a largest
    // side: the side of a square of the largest picture a file may describe,
    // so that none it makes is larger.
    heif_context_set_maximum_image_size_limit(context_, LibheifSideLimit);
    if (Failed(heif_context_read_from_memory_without_copy(context_, data, size, nullptr), reason) ||
        Failed(heif_context_get_primary_image_handle(context_, &handle_), reason))
        return false;
    const int width = heif_image_handle_get_width(handle_);
    const int height = heif_image_handle_get_height(handle_);
    if (width < 0 || height < 0 ||
        !CheckDimensions(std::uint64_t(width), std::uint64_t(height), reason))
        return false;
    const bool alpha = heif_image_handle_has_alpha_channel(handle_);
    description_.picture = PictureInfo{std::uint32_t(width), std::uint32_t(height),
                                       alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24};
    takeXmp();
    takeProfile();
    return true;
}

// The first metadata item of XML: the XMP packet.
void HeifDecoder::takeXmp()
{
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle_, "mime");
    std::vector<heif_item_id> ids(std::size_t(std::max(count, 0)));
    heif_image_handle_get_list_of_metadata_block_IDs(handle_, "mime", ids.data(), count);
    for (const heif_item_id id : ids) {
        const char* type = heif_image_handle_get_metadata_content_type(handle_, id);
        if (!type || std::strcmp(type, "application/rdf+xml") != 0)
            continue;
        XmpPacket& xmp = description_.xmp;
        xmp.found = true;
        const std::size_t bytes = heif_image_handle_get_metadata_size(handle_, id);
        if (bytes > MaxXmpBytes) {
            xmp.problem = LargerThanLimit("XMP metadata", MaxXmpBytes);
            return;
        }
        xmp.text.resize(bytes);
        if (heif_image_handle_get_metadata(handle_, id, xmp.text.data()).code != heif_error_Ok) {
            xmp.text.clear();
            xmp.problem = "the HEIF item that holds the XMP metadata is damaged";
        }
        return;
    }
}

// An ICC profile, or else the colours as video describes them (nclx).
void HeifDecoder::takeProfile()
{
    IccProfile& profile = description_.profile;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle_);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        profile.found = true;
        const std::size_t bytes = heif_image_handle_get_raw_color_profile_size(handle_);
        if (ProfileTooLarge(bytes, profile.problem))
            return;
        profile.data.resize(bytes);
        if (heif_image_handle_get_raw_color_profile(handle_, profile.data.data()).code !=
            heif_error_Ok) {
            profile.data.clear();
            profile.problem = "the HEIF box that holds the colour profile is damaged";
        }
        return;
    }
    // libheif may hand out the colours and an error about them at once.
    heif_color_profile_nclx* nclx = nullptr;
    const bool read =
        heif_image_handle_get_nclx_color_profile(handle_, &nclx).code == heif_error_Ok;
    if (!read || !nclx) {
        heif_nclx_color_profile_free(nclx);
        return;
    }
    const NclxColours colours = {unsigned(nclx->color_primaries),
                                 unsigned(nclx->transfer_characteristics),
                                 {nclx->color_primary_red_x, nclx->color_primary_red_y},
                                 {nclx->color_primary_green_x, nclx->color_primary_green_y},
                                 {nclx->color_primary_blue_x, nclx->color_primary_blue_y},
                                 {nclx->color_primary_white_x, nclx->color_primary_white_y}};
    heif_nclx_color_profile_free(nclx);
    profile = ProfileFromNclx(colours);
}

bool HeifDecoder::decode(RowSink& sink, PictureSize, DecodeWork& work, std::string& reason)
{
    const PictureInfo& picture = description_.picture;
    const bool alpha = picture.layout == PixelLayout::Argb32;
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options)
        return Fail(reason, "not enough memory for the HEIF decoder");
    options->convert_hdr_to_8bit = 1;
    options->strict_decoding = 1;
    heif_image* image = nullptr;
    const heif_error error = heif_decode_image(
        handle_, &image, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
    heif_decoding_options_free(options);
    if (Failed(error, reason))
        return false;
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const bool whole =
        pixels && heif_image_get_width(image, heif_channel_interleaved) == int(picture.width) &&
        heif_image_get_height(image, heif_channel_interleaved) == int(picture.height);
    RowWriter rows(sink, work);
    const bool begun = whole && rows.begin(picture, reason);
    for (std::uint32_t y = 0; begun && y < picture.height; ++y) {
        const std::uint8_t* in = pixels + std::size_t(y) * std::size_t(stride);
        unsigned char* out = rows.next();
        if (!alpha) {
            std::memcpy(out, in, std::size_t(picture.width) * 3);
            continue;
        }
        for (std::uint32_t x = 0; x < picture.width; ++x) // RGBA to 0xAARRGGBB
            PutArgb(out, x, Argb(in[4 * x + 3], in[4 * x], in[4 * x + 1], in[4 * x + 2]));
    }
    if (begun)
        rows.finish();
    heif_image_release(image);
    if (!whole)
        return Fail(reason, "damaged HEIF file: the picture decoded is not of its declared size");
    return begun;
}

} // namespace

extern const Codec HeifCodec = {Matches, OpenWithLibrary<HeifDecoder>};

} // namespace imagedecode
