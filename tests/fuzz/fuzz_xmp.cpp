// libFuzzer target for the reading of partial panoramas' metadata: the input
// is a picture's width and height (two bytes each, big-endian), then an XMP
// packet. The packet is read and judged as the viewer does, and a partial
// panorama placed and padded; every broken promise stops the run: metadata
// ignored without a reason, a placement that loses the picture, a padded
// panorama beyond its limit or with the picture outside it.
#include "pad_stage.h"
#include "picture_buffer.h"
#include "texture_plan.h"

#include <cmath>

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

    // The plan of a renderer that pads, from the description the file would
    // give, and the padding stage taking the picture.
    imagedecode::ImageDescription description;
    description.picture = {width, height};
    description.xmp.found = true;
    description.xmp.text = packet;
    const imagedecode::TextureLimits limit{2048, 2048, imagedecode::PowerOfTwo::Any};
    const gpano::TexturePlan plan = gpano::PlanTexture(description, limit, true);
    Require(plan.verdict.coverage == gpano::Coverage::Partial);
    Require(plan.texture.width >= 1 && plan.texture.height >= 1 &&
            plan.texture.width <= limit.maxWidth && plan.texture.height <= limit.maxHeight &&
            std::uint64_t(plan.texture.width) * plan.texture.height <=
                imagedecode::MaxTexturePixels);
    Require(plan.picture.width >= 1 && plan.picture.height >= 1 &&
            plan.left + plan.picture.width <= plan.texture.width &&
            plan.top + plan.picture.height <= plan.texture.height);
    imagedecode::PictureBuffer texture;
    imagedecode::PadStage pad(plan.texture, plan.left, plan.top, texture);
    std::string reason;
    Require(pad.begin({plan.picture.width, plan.picture.height}, reason));
    return 0;
}
