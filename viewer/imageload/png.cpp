// PNG through libpng's simplified reading interface, which checks the file
// and reports every error as a result instead of ending the process. Files
// with 16-bit samples go through the regular interface instead: the
// simplified one mixes up the pixels of interlaced 16-bit files, and it rounds
// samples where the engine keeps their high byte.
#include "decode_common.h"

#include <png.h>

#include <vector>

namespace imageload {

using namespace detail;

namespace {

// Where the regular interface reads from: memory, or the stream when `data`
// is null.
struct Source
{
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
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

// Reads the header and sets the transforms to 8-bit RGB, or BGRA where the
// picture has transparency. Kept apart from the frame that owns the pixels,
// since an error returns here by longjmp.
bool ReadWideHeader(png_structp png, png_infop info, png_uint_32& width, png_uint_32& height,
                    bool& alpha)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0;
    if (alpha)
        png_set_bgr(png);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    return true;
}

bool ReadWideRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

bool DecodeWide(const unsigned char* data, std::size_t size, std::FILE* file, DecodedImage& image,
                std::string& reason)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reason, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Fail(reason, "not enough memory for the PNG decoder");
    }
    Source source{data, size, 0};
    if (data)
        png_set_read_fn(png, &source, ReadFromMemory);
    else
        png_init_io(png, file);

    png_uint_32 width = 0, height = 0;
    bool alpha = false;
    bool ok = ReadWideHeader(png, info, width, height, alpha) &&
              AllocateImage(image, width, height, alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24,
                            reason);
    if (ok) {
        const std::size_t stride = std::size_t(width) * (alpha ? 4 : 3);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = image.pixels.get() + y * stride;
        ok = ReadWideRows(png, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        image.pixels.reset();
    return ok;
}

// Decodes from memory (`data`) or, when `data` is null, from `file`.
bool Decode(const unsigned char* data, std::size_t size, std::FILE* file, DecodedImage& image,
            std::string& reason)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    const int begun = data ? png_image_begin_read_from_memory(&png, data, size)
                           : png_image_begin_read_from_stdio(&png, file);
    if (!begun) {
        reason = std::string("damaged PNG file: ") + png.message;
        png_image_free(&png);
        return false;
    }
    if (!CheckDimensions(png.width, png.height, reason)) {
        png_image_free(&png);
        return false;
    }
    if (png.format & PNG_FORMAT_FLAG_LINEAR) {
        png_image_free(&png);
        if (file && std::fseek(file, 0, SEEK_SET) != 0)
            return Fail(reason, "the file could not be read again");
        return DecodeWide(data, size, file, image, reason);
    }
    // Pictures with transparency keep it (blue, green, red, alpha bytes are
    // the engine's 32-bit layout); all others take three bytes a pixel.
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    const PixelLayout layout = alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24;
    png.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_RGB;
    if (!AllocateImage(image, png.width, png.height, layout, reason)) {
        png_image_free(&png);
        return false;
    }
    if (!png_image_finish_read(&png, nullptr, image.pixels.get(), 0, nullptr)) {
        reason = std::string("damaged PNG file: ") + png.message;
        image.pixels.reset();
        png_image_free(&png);
        return false;
    }
    return true;
}

} // namespace

bool DecodePng(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    return Decode(data, size, nullptr, image, reason);
}

bool DecodePngFile(std::FILE* file, DecodedImage& image, std::string& reason)
{
    return Decode(nullptr, 0, file, image, reason);
}

} // namespace imageload
