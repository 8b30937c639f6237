// libFuzzer target for the reading of partial panoramas' metadata: the input
// is a picture's width and height (two bytes each, big-endian), then an XMP
// packet. The packet is read and judged as the viewer does, and a partial
// panorama placed and padded; every broken promise stops the run: metadata
// ignored without a reason, a placement that loses the picture, a padded
// panorama beyond its limit or with the picture outside it.
#include "padding.h"

#include <cmath>
#include <vector>

namespace {

void Require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t width = data[0] << 8 | data[1], height = data[2] << 8 | data[3];
    const std::string packet(reinterpret_cast<const char*>(data) + 4, size - 4);
    const gpano::Verdict verdict = gpano::JudgePacket(packet, width, height);
    Require((verdict.coverage == gpano::Coverage::Ignored) != verdict.problem.empty());
    if (verdict.coverage != gpano::Coverage::Partial)
        return 0;

    const gpano::TexturePlacement placement = gpano::PlaceOnSphere(verdict.area);
    Require(gpano::IsPartial(placement) && std::isfinite(placement.offsetU) &&
            std::isfinite(placement.offsetV) && placement.scaleU >= 1 && placement.scaleV >= 1);

    const imagedecode::TextureLimits limit{2048, 2048, imagedecode::PowerOfTwo::Any};
    const gpano::PaddedPanorama padded =
        gpano::PadToFullPanorama(verdict.area, width, height, limit);
    Require(padded.width >= 1 && padded.height >= 1 && padded.width <= limit.maxWidth &&
            padded.height <= limit.maxHeight &&
            std::uint64_t(padded.width) * padded.height <= imagedecode::MaxTexturePixels);
    Require(padded.pictureWidth >= 1 && padded.pictureHeight >= 1 &&
            padded.left + padded.pictureWidth <= padded.width &&
            padded.top + padded.pictureHeight <= padded.height);
    const std::vector<unsigned char> picture(std::size_t(padded.pictureWidth) *
                                             padded.pictureHeight * 3);
    Require(gpano::PadPicture(picture.data(), imagedecode::PixelLayout::Rgb24, padded) != nullptr);
    return 0;
}
