// A colour profile for a picture that describes its colours the way video
// does (HEIF's nclx box: primaries and a transfer characteristic, as in ITU-T
// H.273) rather than with an ICC profile, so that it goes through the same
// colour stage.
#pragma once

#include "imagedecode.h"

namespace imagedecode {

struct NclxColours
{
    unsigned primaries;                         // H.273 code; 1 and 2 (unspecified) are sRGB's
    unsigned transfer;                          // H.273 code; 13 and 2 (unspecified) are sRGB's
    double red[2], green[2], blue[2], white[2]; // the primaries, xy
};

// Not found for sRGB's own colours; otherwise an ICC profile of them, or
// why there is none (a transfer this viewer does not show, as HDR's).
IccProfile ProfileFromNclx(const NclxColours& colours);

} // namespace imagedecode
