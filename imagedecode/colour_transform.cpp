#include "colour_transform.h"

#include "matrix_shaper.h"

#include <lcms2.h>
#include <lcms2_plugin.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace imagedecode {

namespace {

// What one context may still take, and what lcms last said against the
// profile.
struct Budget
{
    std::size_t left = MaxProfileMemory;
    bool exhausted = false; // an allocation was refused
    std::string error;
};

// Every block carries its size in front of it, so that freeing gives it
// back to the budget.
constexpr std::size_t Header = 16;

Budget* BudgetOf(cmsContext context)
{
    return static_cast<Budget*>(cmsGetContextUserData(context));
}

void* Allocate(cmsContext context, cmsUInt32Number size)
{
    Budget* budget = BudgetOf(context);
    if (budget && size > budget->left) {
        budget->exhausted = true;
        return nullptr;
    }
    unsigned char* block = static_cast<unsigned char*>(std::malloc(Header + size));
    if (!block)
        return nullptr;
    if (budget)
        budget->left -= size;
    const std::size_t counted = budget ? size : 0;
    std::memcpy(block, &counted, sizeof counted);
    return block + Header;
}

void Free(cmsContext context, void* pointer)
{
    if (!pointer)
        return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - Header;
    std::size_t counted = 0;
    std::memcpy(&counted, block, sizeof counted);
    if (Budget* budget = BudgetOf(context))
        budget->left += counted;
    std::free(block);
}

void* Reallocate(cmsContext context, void* pointer, cmsUInt32Number size)
{
    void* moved = Allocate(context, size);
    if (!moved || !pointer)
        return moved;
    std::size_t old = 0;
    std::memcpy(&old, static_cast<unsigned char*>(pointer) - Header, sizeof old);
    std::memcpy(moved, pointer, old < size ? old : size);
    Free(context, pointer);
    return moved;
}

cmsPluginMemHandler MemoryPlugin = {{cmsPluginMagicNumber, 2060, cmsPluginMemHandlerSig, nullptr},
                                    Allocate,
                                    Free,
                                    Reallocate,
                                    nullptr,
                                    nullptr,
                                    nullptr};

void NoteError(cmsContext context, cmsUInt32Number, const char* text)
{
    if (Budget* budget = BudgetOf(context); budget && budget->error.empty())
        budget->error = text;
}

cmsUInt32Number LcmsFormat(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Rgb24:
        return TYPE_RGB_8;
    case PixelLayout::Argb32: // 0xAARRGGBB words: bytes blue, green, red, alpha
        return TYPE_BGRA_8;
    case PixelLayout::Grey8:
        return TYPE_GRAY_8;
    case PixelLayout::GreyAlpha8:
        return TYPE_GRAYA_8;
    case PixelLayout::Grey16:
        return TYPE_GRAY_16_SE;
    case PixelLayout::GreyAlpha16:
        return TYPE_GRAYA_16_SE;
    case PixelLayout::Rgb48:
        return TYPE_RGB_16_SE;
    case PixelLayout::Rgba64:
        return TYPE_RGBA_16_SE;
    case PixelLayout::Cmyk32:
        return TYPE_CMYK_8_REV;
    }
    return TYPE_RGB_8;
}

// Signatures as numbers: a profile's header may hold any, which no enum of
// Little CMS's names.
std::uint32_t ColourSpaceOf(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Grey8:
    case PixelLayout::GreyAlpha8:
    case PixelLayout::Grey16:
    case PixelLayout::GreyAlpha16:
        return cmsSigGrayData;
    case PixelLayout::Cmyk32:
        return cmsSigCmykData;
    default:
        return cmsSigRgbData;
    }
}

const char* NameOf(std::uint32_t space)
{
    switch (space) {
    case cmsSigGrayData:
        return "grey";
    case cmsSigRgbData:
        return "RGB";
    case cmsSigCmykData:
        return "CMYK";
    default:
        return "other";
    }
}

// An RGB profile whose primaries and curves are sRGB's, within what the
// profile's 16-bit fixed-point numbers and an 8-bit picture can tell.
bool IsSrgb(cmsHPROFILE profile, cmsHPROFILE srgb)
{
    if (!cmsIsMatrixShaper(profile))
        return false;
    const cmsTagSignature colorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                         cmsSigBlueColorantTag};
    const cmsTagSignature curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int c = 0; c < 3; ++c) {
        const auto* mine = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[c]));
        const auto* ours = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, colorants[c]));
        if (!mine || !ours || std::fabs(mine->X - ours->X) > 0.001 ||
            std::fabs(mine->Y - ours->Y) > 0.001 || std::fabs(mine->Z - ours->Z) > 0.001)
            return false;
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[c]));
        const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, curves[c]));
        if (!curve || !srgbCurve)
            return false;
        for (int i = 0; i <= 64; ++i) {
            const float v = float(i) / 64;
            if (std::fabs(cmsEvalToneCurveFloat(curve, v) - cmsEvalToneCurveFloat(srgbCurve, v)) >
                0.5f / 255)
                return false;
        }
    }
    return true;
}

// The 3 x 3 matrix whose columns are the red, green and blue colorants.
bool Colorants(cmsHPROFILE profile, cmsMAT3& m)
{
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
        if (!xyz)
            return false;
        m.v[0].n[c] = xyz->X, m.v[1].n[c] = xyz->Y, m.v[2].n[c] = xyz->Z;
    }
    return true;
}

// A matrix-shaper or grey profile's conversion, from its own curves and
// colorants as Little CMS reads them; null for a profile of tables. Little
// CMS's fast paths for these profiles resample them into tables too coarse
// for 16-bit and grey samples (up to 21 steps off in the darks, measured),
// and its exact path takes 25 times as long.
std::unique_ptr<MatrixShaper> MakeShaper(cmsHPROFILE profile, cmsHPROFILE srgb, PixelLayout samples)
{
    const bool grey = ColourSpaceOf(samples) == cmsSigGrayData;
    const cmsTagSignature curveTags[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    const cmsToneCurve* curves[3] = {};
    for (int c = 0; c < (grey ? 1 : 3); ++c) {
        const cmsTagSignature tag = grey ? cmsSigGrayTRCTag : curveTags[c];
        curves[c] = cmsIsTag(profile, tag)
                        ? static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag))
                        : nullptr;
        if (!curves[c])
            return nullptr;
    }
    // sRGB's colorants inverted, times the profile's: both in the connection
    // space's D50.
    cmsMAT3 theirs{}, mine{}, inverse{}, joined{};
    if (!grey && (!cmsIsMatrixShaper(profile) || !Colorants(profile, mine) ||
                  !Colorants(srgb, theirs) || !_cmsMAT3inverse(&theirs, &inverse)))
        return nullptr;
    _cmsMAT3per(&joined, &inverse, &mine);
    double matrix[9];
    for (int i = 0; i < 9; ++i)
        matrix[i] = joined.v[i / 3].n[i % 3];
    const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
    cmsToneCurve* encode = srgbCurve ? cmsReverseToneCurve(srgbCurve) : nullptr;
    if (!encode)
        return nullptr;
    auto shaper = std::make_unique<MatrixShaper>(
        samples,
        [&](int channel, double v) {
            return double(cmsEvalToneCurveFloat(curves[channel], float(v)));
        },
        matrix, [&](double v) { return double(cmsEvalToneCurveFloat(encode, float(v))); });
    cmsFreeToneCurve(encode);
    return shaper;
}

} // namespace

struct ColourTransform::Context
{
    Budget budget;
    cmsContext lcms = nullptr;
    std::unique_ptr<MatrixShaper> shaper; // for matrix-shaper and grey profiles
    cmsHTRANSFORM transform = nullptr;    // for profiles of tables, and CMYK

    ~Context()
    {
        if (transform)
            cmsDeleteTransform(transform);
        if (lcms)
            cmsDeleteContext(lcms);
    }
};

ColourTransform::ColourTransform(std::unique_ptr<Context> context, PixelLayout samples)
    : context_(std::move(context)), samples_(samples)
{}

ColourTransform::~ColourTransform() = default;

std::unique_ptr<ColourTransform> ColourTransform::Build(const std::vector<unsigned char>& data,
                                                        PixelLayout samples, std::string& problem)
{
    auto context = std::make_unique<Context>();
    context->lcms = cmsCreateContext(&MemoryPlugin, &context->budget);
    if (!context->lcms) {
        problem = "not enough memory to read it";
        return nullptr;
    }
    cmsSetLogErrorHandlerTHR(context->lcms, NoteError);
    const auto said = [&](const char* otherwise) {
        if (context->budget.exhausted)
            problem = "reading it takes more memory than a colour profile may take";
        else if (!context->budget.error.empty())
            problem = "Little CMS says: " + context->budget.error;
        else
            problem = otherwise;
    };

    cmsHPROFILE profile = cmsOpenProfileFromMemTHR(context->lcms, data.data(),
                                                   static_cast<cmsUInt32Number>(data.size()));
    if (!profile) {
        said("it is not a profile Little CMS can read");
        return nullptr;
    }
    cmsHPROFILE srgb = cmsCreate_sRGBProfileTHR(context->lcms);
    const std::uint32_t space = static_cast<std::uint32_t>(cmsGetColorSpace(profile));
    const std::uint32_t kind = static_cast<std::uint32_t>(cmsGetDeviceClass(profile));
    const cmsUInt32Number intent =
        cmsIsIntentSupported(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT)
            ? INTENT_PERCEPTUAL
            : INTENT_RELATIVE_COLORIMETRIC;
    const PixelLayout output = TextureLayoutFor(samples);
    std::unique_ptr<ColourTransform> made;
    if (!srgb) {
        said("not enough memory to read it");
    } else if (space != ColourSpaceOf(samples)) {
        problem = std::string("it describes ") + NameOf(space) + " colours, and the picture is " +
                  NameOf(ColourSpaceOf(samples));
    } else if (kind == cmsSigLinkClass || kind == cmsSigAbstractClass ||
               kind == cmsSigNamedColorClass ||
               !cmsIsIntentSupported(profile, intent, LCMS_USED_AS_INPUT)) {
        problem = "it cannot describe a picture's colours";
    } else if (space == cmsSigRgbData && IsSrgb(profile, srgb)) {
        // sRGB's own: nothing to convert.
    } else if ((context->shaper = MakeShaper(profile, srgb, samples))) {
        made.reset(new ColourTransform(std::move(context), samples));
    } else {
        const cmsUInt32Number flags = output == PixelLayout::Argb32 ? cmsFLAGS_COPY_ALPHA : 0;
        context->transform = cmsCreateTransformTHR(context->lcms, profile, LcmsFormat(samples),
                                                   srgb, LcmsFormat(output), intent, flags);
        if (context->transform)
            made.reset(new ColourTransform(std::move(context), samples));
        else
            said("Little CMS cannot convert its colours");
    }
    if (srgb)
        cmsCloseProfile(srgb);
    cmsCloseProfile(profile);
    return made;
}

void ColourTransform::convert(const unsigned char* in, unsigned char* out, std::size_t pixels) const
{
    if (context_->shaper)
        context_->shaper->convert(in, out, pixels);
    else
        cmsDoTransform(context_->transform, in, out, static_cast<cmsUInt32Number>(pixels));
}

} // namespace imagedecode
