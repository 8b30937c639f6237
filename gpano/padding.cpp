#include "padding.h"

#include <cstring>
#include <new>

namespace gpano {

std::unique_ptr<unsigned char[]> PadPicture(const unsigned char* pixels,
                                            imagedecode::PixelLayout layout,
                                            const PaddedPanorama& padded)
{
    const std::size_t bytes = imagedecode::BytesPerPixel(layout);
    const std::size_t stride = padded.width * bytes, rowBytes = padded.pictureWidth * bytes;
    std::unique_ptr<unsigned char[]> canvas(
        new (std::nothrow) unsigned char[stride * padded.height]);
    if (!canvas)
        return canvas;
    std::memset(canvas.get(), 0, stride * padded.height);
    if (layout == imagedecode::PixelLayout::Argb32) {
        const std::uint32_t black = 0xFF000000;
        for (std::size_t i = 0; i < std::size_t(padded.width) * padded.height; ++i)
            std::memcpy(canvas.get() + 4 * i, &black, 4);
    }
    for (std::uint32_t y = 0; y < padded.pictureHeight; ++y)
        std::memcpy(canvas.get() + (padded.top + y) * stride + padded.left * bytes,
                    pixels + y * rowBytes, rowBytes);
    return canvas;
}

} // namespace gpano
