#include "nclx_profile.h"

#include <lcms2.h>

#include <cmath>

namespace imagedecode {

namespace {

bool Valid(const double xy[2])
{
    return std::isfinite(xy[0]) && std::isfinite(xy[1]) && xy[0] > 0 && xy[1] > 0 &&
           xy[0] + xy[1] <= 1;
}

// The curve from samples to linear light for a transfer characteristic;
// null for those not shown.
cmsToneCurve* Curve(unsigned transfer)
{
    switch (transfer) {
    case 1:  // BT.709
    case 6:  // BT.601
    case 14: // BT.2020, 10 bits
    case 15: // BT.2020, 12 bits
    {
        const double bt709[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
        return cmsBuildParametricToneCurve(nullptr, 4, bt709);
    }
    case 2:  // unspecified: taken for sRGB's
    case 13: // sRGB
    {
        const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        return cmsBuildParametricToneCurve(nullptr, 4, srgb);
    }
    case 4:
        return cmsBuildGamma(nullptr, 2.2);
    case 5:
        return cmsBuildGamma(nullptr, 2.8);
    case 8:
        return cmsBuildGamma(nullptr, 1.0);
    default:
        return nullptr;
    }
}

} // namespace

IccProfile ProfileFromNclx(const NclxColours& colours)
{
    IccProfile profile;
    const bool srgbPrimaries = colours.primaries == 1 || colours.primaries == 2;
    const bool srgbTransfer = colours.transfer == 13 || colours.transfer == 2;
    if (srgbPrimaries && srgbTransfer)
        return profile;
    profile.found = true;
    if (!Valid(colours.red) || !Valid(colours.green) || !Valid(colours.blue) ||
        !Valid(colours.white)) {
        profile.problem = "its colour primaries are not possible";
        return profile;
    }
    cmsToneCurve* curve = Curve(colours.transfer);
    if (!curve) {
        profile.problem = "its transfer characteristic " + std::to_string(colours.transfer) +
                          " (HDR, or another this viewer does not show) is not converted";
        return profile;
    }
    const cmsCIExyY white = {colours.white[0], colours.white[1], 1};
    const cmsCIExyYTRIPLE primaries = {{colours.red[0], colours.red[1], 1},
                                       {colours.green[0], colours.green[1], 1},
                                       {colours.blue[0], colours.blue[1], 1}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE made = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    if (made && cmsSaveProfileToMem(made, nullptr, &size)) {
        profile.data.resize(size);
        cmsSaveProfileToMem(made, profile.data.data(), &size);
    } else {
        profile.problem = "its colours cannot be described";
    }
    if (made)
        cmsCloseProfile(made);
    return profile;
}

} // namespace imagedecode
