// PNG through libpng's regular reading interface, row by row into the sink.
// Pictures of 8 bits or fewer per sample get exactly the transforms of
// libpng's simplified reader (expanded to 8-bit RGB, or BGRA where the
// picture has transparency, with its gamma and sRGB handling). Files with
// 16-bit samples keep their high byte, as the engine does, without gamma.
#include "byte_reader.h"
#include "decoder.h"

#include <png.h>

namespace imagedecode {

namespace {

// Where libpng reads from: memory, or `file` when it is set.
struct Source
{
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
    std::FILE* file;
};

void Read(png_structp png, png_bytep out, png_size_t count)
{
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->file) {
        if (std::fread(out, 1, count, source->file) != count)
            png_error(png, "the file ends too early");
        return;
    }
    if (count > source->size - source->pos)
        png_error(png, "the file ends too early");
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

void OnError(png_structp png, png_const_charp message)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) =
        std::string("damaged PNG file: ") + message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 8 && std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) == 0;
}

bool ValidDepth(unsigned colorType, unsigned depth)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case PNG_COLOR_TYPE_PALETTE:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

// The signature and the header chunk, which must come first: all within
// the file's first 33 bytes.
bool Check(const unsigned char* data, std::size_t size, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a PNG file");
    ByteReader in(data, size, 8);
    const std::uint32_t length = in.be32();
    const unsigned char* type = in.bytes(4);
    const std::uint32_t width = in.be32(), height = in.be32();
    const unsigned depth = in.u8(), colorType = in.u8();
    if (!in.ok())
        return Fail(reason, "damaged PNG file: the header is cut short");
    if (length != 13 || std::memcmp(type, "IHDR", 4) != 0)
        return Fail(reason, "damaged PNG file: the header chunk is missing");
    if (!ValidDepth(colorType, depth))
        return Fail(reason, "damaged PNG file: invalid bit depth or colour type");
    return CheckDimensions(width, height, reason);
}

// The transforms of the simplified reader (png_image_finish_read) for 8-bit
// RGB or BGRA output, call for call: expand palettes, low bit depths and
// tRNS; grey to RGB; sRGB as the default input gamma and as the output gamma;
// then only the chunks that affect the pixels are read after this point.
void SetUpNarrow(png_structp png, png_infop info, bool alpha)
{
    png_set_expand(png);
    if (!(png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    if (alpha)
        png_set_bgr(png);
    static const png_byte pixelChunks[] = {'b', 'K', 'G', 'D', '\0', 'c', 'H', 'R', 'M', '\0',
                                           'g', 'A', 'M', 'A', '\0', 'i', 'C', 'C', 'P', '\0',
                                           's', 'B', 'I', 'T', '\0', 's', 'R', 'G', 'B', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, pixelChunks,
                                sizeof pixelChunks / 5);
}

// 16-bit samples: the high byte of each, grey to RGB, tRNS to alpha.
void SetUpWide(png_structp png, png_infop info)
{
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
}

// Reads the header and sets the transforms. Kept apart from any frame that
// owns objects, since an error returns here by longjmp.
bool ReadHeader(png_structp png, png_infop info, PictureInfo& picture, std::string& reason)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_benign_errors(png, 1);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!CheckDimensions(width, height, reason))
        return false;
    const bool wide = png_get_bit_depth(png, info) == 16;
    const bool alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) ||
                       png_get_valid(png, info, PNG_INFO_tRNS);
    if (wide)
        SetUpWide(png, info);
    else
        SetUpNarrow(png, info, alpha);
    picture.passes = static_cast<unsigned>(png_set_interlace_handling(png));
    png_read_update_info(png, info);
    if (wide && alpha)
        png_set_bgr(png);
    picture.width = width;
    picture.height = height;
    picture.layout = alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24;
    return true;
}

bool ReadRows(png_structp png, RowWriter& rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const PictureInfo& picture = rows.picture();
    for (std::uint64_t row = 0; row < std::uint64_t(picture.height) * picture.passes; ++row)
        png_read_row(png, rows.next(), nullptr);
    rows.finish();
    return true;
}

// No png_read_end: nothing after the last row changes the picture.
bool Decode(Source& source, RowSink& sink, std::string& reason)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reason, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Fail(reason, "not enough memory for the PNG decoder");
    }
    png_set_read_fn(png, &source, Read);
    PictureInfo picture;
    RowWriter rows(sink);
    const bool ok = ReadHeader(png, info, picture, reason) && rows.begin(picture, reason) &&
                    ReadRows(png, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

bool DecodeMemory(const unsigned char* data, std::size_t size, RowSink& sink, std::string& reason)
{
    if (!Check(data, size, reason))
        return false;
    Source source{data, size, 0, nullptr};
    return Decode(source, sink, reason);
}

bool DecodeStream(std::FILE* file, RowSink& sink, std::string& reason)
{
    Source source{nullptr, 0, 0, file};
    return Decode(source, sink, reason);
}

} // namespace

extern const Codec PngCodec = {Matches, Check, DecodeMemory, DecodeStream};

} // namespace imagedecode
