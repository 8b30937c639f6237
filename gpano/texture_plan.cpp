#include "texture_plan.h"

#include "cylinder.h"

#include <algorithm>
#include <cmath>

namespace gpano {

namespace {

Verdict JudgeMetadata(const imagedecode::XmpPacket& xmp, imagedecode::PictureSize size)
{
    if (!xmp.found)
        return Verdict();
    if (!xmp.problem.empty()) {
        Verdict verdict;
        verdict.coverage = Coverage::Ignored;
        verdict.problem = xmp.problem;
        return verdict;
    }
    return JudgePacket(xmp.text, size.width, size.height);
}

// The colour profile's conversion; its problem, when there is one, says
// why the picture is shown with its numbers taken for sRGB.
void PlanColour(const imagedecode::ImageDescription& description, TexturePlan& plan)
{
    const imagedecode::IccProfile& profile = description.profile;
    if (!profile.found)
        return;
    if (!profile.problem.empty()) {
        plan.colourProblem = profile.problem;
        return;
    }
    plan.colour = imagedecode::ColourTransform::Build(profile.data, description.picture.layout,
                                                      plan.colourProblem);
}

// Where the camera opens: turned as the metadata chooses from the full
// panorama's centre; a partial panorama's own centre lies straight ahead.
void PlanOpeningView(const Verdict& verdict, const CroppedArea& placed, TexturePlan& plan)
{
    if (!verdict.viewChosen)
        return;
    double cropCentre = 0;
    if (verdict.coverage == Coverage::Partial)
        cropCentre =
            ((placed.left + placed.width / 2.0) - placed.fullWidth / 2.0) * 360 / placed.fullWidth;
    plan.heading = float(WrapDegrees(verdict.viewTurn - cropCentre));
}

} // namespace

TexturePlan PlanTexture(const imagedecode::ImageDescription& description,
                        const imagedecode::TextureLimits& limits, bool padsPartialPanoramas)
{
    TexturePlan plan;
    PlanColour(description, plan);
    imagedecode::PictureSize size = description.size();
    plan.verdict = JudgeMetadata(description.xmp, size);
    // A cylindrical panorama becomes the equirectangular crop it covers,
    // re-projected at the picture's own scale, and is placed as one.
    CroppedArea placed = plan.verdict.area;
    if (plan.verdict.coverage == Coverage::Partial &&
        plan.verdict.projection == Projection::Cylindrical) {
        plan.cylinder = plan.verdict.area;
        placed = EquirectangularCrop(plan.cylinder);
        plan.equirectangular = placed;
        plan.projectedHeight =
            std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(
                                           double(placed.height) * size.width / placed.width)));
        size.height = plan.projectedHeight;
    }
    PlanOpeningView(plan.verdict, placed, plan);
    if (plan.verdict.coverage != Coverage::Partial) {
        plan.picture = plan.texture = imagedecode::TextureSize(size, limits);
        return plan;
    }
    if (!padsPartialPanoramas) {
        plan.picture = plan.texture = imagedecode::TextureSize(size, limits);
        plan.placement = PlaceOnSphere(placed);
        return plan;
    }
    const PaddedPanorama padded = PadToFullPanorama(placed, size.width, size.height, limits);
    plan.picture = {padded.pictureWidth, padded.pictureHeight};
    plan.texture = {padded.width, padded.height};
    plan.left = padded.left;
    plan.top = padded.top;
    return plan;
}

} // namespace gpano
