#include "texture_decode.h"

#include "cylinder.h"
#include "pad_stage.h"
#include "reduce_stage.h"
#include "reproject_stage.h"

#include <algorithm>
#include <cmath>

#include <optional>

namespace gpano {

bool DecodeForTexture(imagedecode::ImageFile& file, const TexturePlan& plan,
                      imagedecode::RowSink& texture, std::string& reason,
                      imagedecode::ConversionThread conversion)
{
    // The chain is built from its end: each stage hands its rows to the one
    // after it.
    imagedecode::RowSink* next = &texture;
    std::optional<imagedecode::PadStage> pad;
    if (plan.padded())
        next = &pad.emplace(plan.texture, plan.left, plan.top, *next);
    // The decoder may give less work at a size between the file's and the
    // texture's; the rest is reduced.
    const imagedecode::PictureSize full = file.description().size();
    imagedecode::PictureSize wanted = plan.picture;
    if (plan.reprojected())
        wanted.height = static_cast<std::uint32_t>(
            std::ceil(double(plan.picture.height) * full.height / plan.projectedHeight));
    const imagedecode::PictureSize decoded = file.sizeCovering(wanted);
    // A cylindrical panorama's rows are re-projected at the decoded width,
    // to no fewer rows than the texture's picture has.
    imagedecode::PictureSize projected = decoded;
    if (plan.reprojected())
        projected.height =
            std::max(plan.picture.height,
                     static_cast<std::uint32_t>(
                         std::lround(double(plan.projectedHeight) * decoded.width / full.width)));
    std::optional<imagedecode::ReduceStage> reduce;
    if (!(projected == plan.picture))
        next = &reduce.emplace(plan.picture, *next);
    std::optional<imagedecode::ReprojectStage> reproject;
    if (plan.reprojected()) {
        const CroppedArea cylinder = plan.cylinder, equirect = plan.equirectangular;
        const double rows = projected.height;
        next = &reproject.emplace(
            projected.height,
            [=](double edge, std::uint32_t inputHeight) {
                return CylinderRowOf(edge, rows, equirect, cylinder, inputHeight);
            },
            *next);
    }
    // Colours are converted first, at the samples' own depth.
    std::optional<imagedecode::ColourStage> colour;
    if (plan.colour || !imagedecode::IsTextureLayout(file.description().picture.layout))
        next = &colour.emplace(plan.colour.get(), *next, conversion);
    return file.decode(*next, decoded, reason);
}

} // namespace gpano
