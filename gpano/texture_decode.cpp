#include "texture_decode.h"

#include "colour_stage.h"
#include "pad_stage.h"
#include "reduce_stage.h"

#include <optional>

namespace gpano {

bool DecodeForTexture(imagedecode::ImageFile& file, const TexturePlan& plan,
                      imagedecode::RowSink& texture, std::string& reason)
{
    // The chain is built from its end: each stage hands its rows to the one
    // after it.
    imagedecode::RowSink* next = &texture;
    std::optional<imagedecode::PadStage> pad;
    if (plan.padded())
        next = &pad.emplace(plan.texture, plan.left, plan.top, *next);
    // The decoder may give less work at a size between the file's and the
    // texture's; the rest is reduced.
    const imagedecode::PictureSize decoded = file.sizeCovering(plan.picture);
    std::optional<imagedecode::ReduceStage> reduce;
    if (!(decoded == plan.picture))
        next = &reduce.emplace(plan.picture, *next);
    // Colours are converted first, at the samples' own depth.
    std::optional<imagedecode::ColourStage> colour;
    if (plan.colour || !imagedecode::IsTextureLayout(file.description().picture.layout))
        next = &colour.emplace(plan.colour.get(), *next);
    return file.decode(*next, decoded, reason);
}

} // namespace gpano
