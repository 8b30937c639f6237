// The table of formats, and the size limits every decoder checks.
#include "decoder.h"
#include "texture_size.h"

namespace imagedecode {

namespace {

const ImageFormat Table[] = {
#define IMAGE_FORMAT(Id, key, name, flags) {FileFormat::Id, #key, name, flags, &Id##Codec},
#include "formats.def"
#undef IMAGE_FORMAT
};

} // namespace

const ImageFormat* FormatTable::begin() const
{
    return Table;
}

const ImageFormat* FormatTable::end() const
{
    return Table + sizeof Table / sizeof Table[0];
}

FormatTable Formats()
{
    return {};
}

const ImageFormat& FormatOf(FileFormat id)
{
    return Table[static_cast<std::size_t>(id)];
}

bool CheckDimensions(std::uint64_t width, std::uint64_t height, std::string& reason)
{
    if (width == 0 || height == 0)
        return Fail(reason, "the image has no pixels");
    if (width > MaxImageSide || height > MaxImageSide || width * height > MaxImagePixels) {
        reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than the limit of " + std::to_string(MaxImageSide) +
                 " pixels a side and " + std::to_string(MaxImagePixels >> 20) + " megapixels";
        return false;
    }
    return true;
}

bool CheckEngineDimensions(std::uint64_t width, std::uint64_t height, std::string& reason)
{
    if (!CheckDimensions(width, height, reason))
        return false;
    if (width > MaxTextureSide || height > MaxTextureSide || width * height > MaxTexturePixels) {
        reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than the limit of " + std::to_string(MaxTextureSide) +
                 " pixels a side and " + std::to_string(MaxTexturePixels >> 20) +
                 " megapixels for this format";
        return false;
    }
    return true;
}

} // namespace imagedecode
