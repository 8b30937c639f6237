// A random picture handed to a sink as a decoder hands it, to test the
// stages and sinks that come after the decoders.
#pragma once

#include "row_sink.h"

#include <string>
#include <vector>

namespace testimages {

struct RowsPicture
{
    imagedecode::PictureInfo info;
    std::vector<unsigned char> rows; // top row first
};

RowsPicture RandomPicture(std::uint32_t width, std::uint32_t height,
                          imagedecode::PixelLayout layout, imagedecode::RowOrder order,
                          unsigned passes = 1, unsigned seed = 11);

// Begins the picture and hands it over in bands of up to MaxBandRows in the
// declared order, each pass whole: the last pass's rows are the picture's,
// the earlier ones' their inverse. Stops after `stopAfter` rows; true when
// every row of every pass went.
bool Feed(const RowsPicture& p, imagedecode::RowSink& sink, std::string& reason,
          std::uint32_t stopAfter = ~0u);

} // namespace testimages
