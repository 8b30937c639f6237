#include "colour_transform.h"

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

cmsColorSpaceSignature ColourSpaceOf(PixelLayout layout)
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

const char* NameOf(cmsColorSpaceSignature space)
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

// A matrix-shaper profile (RGB: a curve per channel, then a matrix into
// the connection space; grey: one curve) taken to sRGB sample by sample:
// each curve tabulated for every value the samples can have, the matrix
// joined with sRGB's inverse, and sRGB's curve tabulated for 16-bit linear
// values. Little CMS's own fast paths for these profiles resample them into
// tables too coarse for 16-bit and grey samples (up to 21 steps off in the
// darks, measured), and its exact path takes 25 times as long.
class Shaper
{
public:
    // False when the profile is no matrix shaper.
    bool build(cmsHPROFILE profile, cmsHPROFILE srgb, PixelLayout samples);
    void convert(const unsigned char* in, unsigned char* out, std::size_t pixels) const;

private:
    unsigned char encode(float linear) const
    {
        const float clipped = linear < 0 ? 0 : linear > 1 ? 1 : linear;
        return encode_[static_cast<std::size_t>(clipped * 65535 + 0.5f)];
    }

    PixelLayout samples_ = PixelLayout::Rgb24;
    std::vector<float> curves_[3];      // sample value to linear, per channel
    float matrix_[9] = {};              // linear samples to linear sRGB
    std::vector<unsigned char> encode_; // 16-bit linear sRGB to its 8-bit samples
};

bool IsWide(PixelLayout layout)
{
    return layout == PixelLayout::Grey16 || layout == PixelLayout::GreyAlpha16 ||
           layout == PixelLayout::Rgb48 || layout == PixelLayout::Rgba64;
}

bool IsGrey(PixelLayout layout)
{
    return ColourSpaceOf(layout) == cmsSigGrayData;
}

// The 3 x 3 matrix whose columns are the red, green and blue colorants.
bool Colorants(cmsHPROFILE profile, double m[9])
{
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
        if (!xyz)
            return false;
        m[c] = xyz->X, m[3 + c] = xyz->Y, m[6 + c] = xyz->Z;
    }
    return true;
}

bool Shaper::build(cmsHPROFILE profile, cmsHPROFILE srgb, PixelLayout samples)
{
    samples_ = samples;
    const bool grey = IsGrey(samples);
    if (grey ? !cmsIsTag(profile, cmsSigGrayTRCTag) : !cmsIsMatrixShaper(profile))
        return false;
    const cmsTagSignature curveTags[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    const std::size_t values = IsWide(samples) ? 65536 : 256;
    for (int c = 0; c < (grey ? 1 : 3); ++c) {
        const auto* curve = static_cast<const cmsToneCurve*>(
            cmsReadTag(profile, grey ? cmsSigGrayTRCTag : curveTags[c]));
        if (!curve)
            return false;
        curves_[c].resize(values);
        for (std::size_t v = 0; v < values; ++v)
            curves_[c][v] = cmsEvalToneCurveFloat(curve, float(v) / float(values - 1));
    }
    if (!grey) {
        // sRGB's colorants inverted, times the profile's: both in the
        // connection space's D50.
        double mine[9], ours[9];
        if (!Colorants(profile, mine) || !Colorants(srgb, ours))
            return false;
        cmsMAT3 inverse, theirs;
        std::memcpy(&theirs, ours, sizeof ours);
        if (!_cmsMAT3inverse(&theirs, &inverse))
            return false;
        const double* inv = &inverse.v[0].n[0];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                matrix_[3 * i + j] = float(inv[3 * i] * mine[j] + inv[3 * i + 1] * mine[3 + j] +
                                           inv[3 * i + 2] * mine[6 + j]);
    }
    const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
    cmsToneCurve* inverse = srgbCurve ? cmsReverseToneCurve(srgbCurve) : nullptr;
    if (!inverse)
        return false;
    encode_.resize(65536);
    for (std::size_t v = 0; v < encode_.size(); ++v) {
        const float e = cmsEvalToneCurveFloat(inverse, float(v) / 65535);
        encode_[v] = static_cast<unsigned char>(e <= 0 ? 0 : e >= 1 ? 255 : e * 255 + 0.5f);
    }
    cmsFreeToneCurve(inverse);
    return true;
}

void Shaper::convert(const unsigned char* in, unsigned char* out, std::size_t pixels) const
{
    const auto wide = [](const unsigned char* s) { return std::size_t(s[0]) << 8 | s[1]; };
    const auto scaled = [](const unsigned char* s) {
        const unsigned v = unsigned(s[0]) << 8 | s[1];
        return static_cast<unsigned char>((v * 255 + 32895) >> 16);
    };
    const std::size_t inBytes = BytesPerPixel(samples_);
    const bool alphaOut = TextureLayoutFor(samples_) == PixelLayout::Argb32;
    for (std::size_t i = 0; i < pixels; ++i, in += inBytes, out += alphaOut ? 4 : 3) {
        std::size_t r = 0, g = 0, b = 0;
        unsigned char alpha = 255;
        switch (samples_) {
        case PixelLayout::Rgb24:
            r = in[0], g = in[1], b = in[2];
            break;
        case PixelLayout::Argb32:
            b = in[0], g = in[1], r = in[2], alpha = in[3];
            break;
        case PixelLayout::Rgb48:
            r = wide(in), g = wide(in + 2), b = wide(in + 4);
            break;
        case PixelLayout::Rgba64:
            r = wide(in), g = wide(in + 2), b = wide(in + 4), alpha = scaled(in + 6);
            break;
        case PixelLayout::Grey8:
            r = in[0];
            break;
        case PixelLayout::GreyAlpha8:
            r = in[0], alpha = in[1];
            break;
        case PixelLayout::Grey16:
            r = wide(in);
            break;
        case PixelLayout::GreyAlpha16:
            r = wide(in), alpha = scaled(in + 2);
            break;
        case PixelLayout::Cmyk32:
            break;
        }
        unsigned char red, green, blue;
        if (IsGrey(samples_)) {
            red = green = blue = encode(curves_[0][r]);
        } else {
            const float lr = curves_[0][r], lg = curves_[1][g], lb = curves_[2][b];
            red = encode(matrix_[0] * lr + matrix_[1] * lg + matrix_[2] * lb);
            green = encode(matrix_[3] * lr + matrix_[4] * lg + matrix_[5] * lb);
            blue = encode(matrix_[6] * lr + matrix_[7] * lg + matrix_[8] * lb);
        }
        if (alphaOut) {
            out[0] = blue, out[1] = green, out[2] = red, out[3] = alpha;
        } else {
            out[0] = red, out[1] = green, out[2] = blue;
        }
    }
}

} // namespace

struct ColourTransform::Context
{
    Budget budget;
    cmsContext lcms = nullptr;
    cmsHTRANSFORM transform = nullptr; // for profiles of tables, and CMYK
    Shaper shaper;                     // otherwise

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
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile);
    const cmsProfileClassSignature kind = cmsGetDeviceClass(profile);
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
    } else if (context->shaper.build(profile, srgb, samples)) {
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
    if (context_->transform)
        cmsDoTransform(context_->transform, in, out, static_cast<cmsUInt32Number>(pixels));
    else
        context_->shaper.convert(in, out, pixels);
}

} // namespace imagedecode
