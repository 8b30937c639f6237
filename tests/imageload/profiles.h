// Colour profiles for the tests, made with Little CMS, and files that carry
// them the way each format stores a profile.
#pragma once

#include "testimages.h"

namespace profiles {

using testimages::Bytes;
using testimages::Picture;

// An RGB colour space: its primaries and white point as xy chromaticities,
// and one gamma for its three curves.
struct RgbSpace
{
    double red[2], green[2], blue[2], white[2];
    double gamma;
};
extern const RgbSpace AdobeRgb; // Adobe RGB (1998): D65, gamma 563 / 256
extern const RgbSpace ProPhoto; // ProPhoto RGB: D50, gamma 1.8
// ACES 2065-1: primaries beyond the visible colours, linear; to sRGB, its
// matrix takes parts of four times white.
extern const RgbSpace AcesLinear;

// An input profile of the space, as lcms writes it.
Bytes RgbProfile(const RgbSpace& space);
// lcms's own sRGB profile.
Bytes SrgbProfile();
// A grey profile with one gamma.
Bytes GreyProfile(double gamma);
// A CMYK input profile whose table takes Adobe's inverted CMYK to Lab: ink
// darkens, cyan against red, magenta against green, yellow against blue.
Bytes CmykProfile();
// An abstract profile, which cannot describe a picture.
Bytes AbstractProfile();
// A profile Debian's colord-data installs, by its file name; empty when it
// is not there.
Bytes ColordProfile(const std::string& name);

// The files: a JPEG with its profile in `pieces` APP2 segments, written in
// reverse order when `reversed` (they are joined by their numbers); a PNG
// with an iCCP chunk; a PSD with image resource 1039 (a BMP with a profile:
// testimages::EncodeBmpWithProfile).
Bytes WithJpegProfile(const Bytes& jpeg, const Bytes& profile, unsigned pieces = 1,
                      bool reversed = false);
Bytes WithPngProfile(const Bytes& png, const Bytes& profile);
Bytes WithPsdProfile(const Bytes& psd, const Bytes& profile);

// What a sample of the space, 0 to 1 (red, green, blue), is in sRGB, 0 to
// 255 before rounding: worked out here from the primaries and curves, the
// white adapted to sRGB's by the Bradford transform, colours out of sRGB
// clipped.
void ToSrgb(const RgbSpace& space, const double rgb[3], double out[3]);

// The inverse of sRGB's curve and its curve: sample to linear and back.
double SrgbToLinear(double v);
double LinearToSrgb(double v);

} // namespace profiles
