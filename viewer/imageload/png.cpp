// PNG through libpng's simplified reading interface, which checks the file
// and reports every error as a result instead of ending the process.
#include "decode_common.h"

#include <png.h>

namespace imageload {

using namespace detail;

namespace {

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
    // Pictures with transparency keep it (blue, green, red, alpha bytes are
    // the engine's 32-bit layout); all others take three bytes a pixel.
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    const PixelLayout layout = alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24;
    png.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_RGB;
    // 16-bit samples are taken as they are stored, not as linear light.
    png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
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
