#include "texture_plan.h"

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

} // namespace

TexturePlan PlanTexture(const imagedecode::ImageDescription& description,
                        const imagedecode::TextureLimits& limits, bool padsPartialPanoramas)
{
    TexturePlan plan;
    PlanColour(description, plan);
    const imagedecode::PictureSize size = description.size();
    plan.verdict = JudgeMetadata(description.xmp, size);
    if (plan.verdict.coverage != Coverage::Partial) {
        plan.picture = plan.texture = imagedecode::TextureSize(size, limits);
        return plan;
    }
    if (!padsPartialPanoramas) {
        plan.picture = plan.texture = imagedecode::TextureSize(size, limits);
        plan.placement = PlaceOnSphere(plan.verdict.area);
        return plan;
    }
    const PaddedPanorama padded =
        PadToFullPanorama(plan.verdict.area, size.width, size.height, limits);
    plan.picture = {padded.pictureWidth, padded.pictureHeight};
    plan.texture = {padded.width, padded.height};
    plan.left = padded.left;
    plan.top = padded.top;
    return plan;
}

} // namespace gpano
