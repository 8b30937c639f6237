// HEIF (HEIC and AVIF) and WebP files for the tests, the seeds and the
// benchmark, written with libheif's and libwebp's own encoders, and what
// those libraries themselves read from a file.
#pragma once

#include "testimages.h"

#include <string>

namespace modernformats {

using testimages::Bytes;
using testimages::Picture;

enum class Heif
{
    Hevc, // HEIC
    Av1   // AVIF
};

struct HeifOptions
{
    bool alpha = false;
    int orientation = 1; // EXIF's numbering: 1 as stored, 6 turned a quarter right, 2 mirrored
    std::string xmp;     // an XMP packet to add as a metadata item
    Bytes profile;       // an ICC profile
    // nclx colours instead: H.273 primaries and transfer (0: none)
    int nclxPrimaries = 0, nclxTransfer = 0;
    int quality = 90;
    bool fast = false; // the encoder's fastest settings, for large pictures
};
Bytes EncodeHeif(const Picture& p, Heif coding, const HeifOptions& options = {});

// What libheif decodes of the primary image, transformations applied, as
// 0xAARRGGBB words; empty when it cannot.
Picture ReadHeifWithLibheif(const Bytes& file);

// A WebP: lossless stores the picture exactly. `frames` more than 1 make an
// animation of the picture in turn darkened.
Bytes EncodeWebp(const Picture& p, bool lossless, bool alpha, int frames = 1);
// The same with XMP and ICCP chunks added.
Bytes WithWebpChunks(const Bytes& webp, const std::string& xmp, const Bytes& profile);
// What libwebp decodes, at the size asked (0: its own).
Picture ReadWebpWithLibwebp(const Bytes& file, unsigned width = 0, unsigned height = 0);

} // namespace modernformats
