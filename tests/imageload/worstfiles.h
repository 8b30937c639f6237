// Files built to cost a decoder as much as a file of their kind can, each of
// a picture whose size the caller gives: for the tests that bound the
// decoders' work, the fuzz seeds and the benchmark.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace worstfiles {

using Bytes = std::vector<unsigned char>;

// An RGB PNG (8 or 16 bits per sample, maybe interlaced) whose image data
// goes on after the last row with `extra` bytes that inflate to zeros: about
// one byte of file per KiB. With `extra` 0, the same picture ends there.
Bytes PngWithDataAfterPicture(std::uint32_t width, std::uint32_t height, int depth, bool interlaced,
                              std::uint64_t extra);

// An 8-bit run-length BMP whose bottom row goes on past its end with `runs`
// codes of 255 pixels each (two bytes of file per code, no end of line in
// between). Its other rows are runs that fit; the data ends with an end of
// bitmap. With `runs` 0, the same picture without them.
void WriteBmpWithLongRuns(std::ostream& out, std::uint32_t width, std::uint32_t height,
                          std::uint64_t runs);
Bytes BmpWithLongRuns(std::uint32_t width, std::uint32_t height, std::uint64_t runs);

// An 8-bit run-length BMP whose codes skip `deltas` times 255 rows down and
// then end, without an end of bitmap: a file to be refused.
Bytes BmpEndingEarly(std::uint32_t width, std::uint32_t height, unsigned deltas);

// A run-length PCX of 256 colours whose lines claim `lineBytes` bytes each
// (the most is 65534) for `width` pixels: runs of 63 bytes fill the rest.
Bytes PcxWithLongLines(std::uint32_t width, std::uint32_t height, unsigned lineBytes);

// A progressive, arithmetic-coded JPEG of a flat grey picture with `scans`
// scans: the DC of every component, then single AC coefficients, component
// after component; every component at full resolution, three of them
// (YCbCr) or four (CMYK). `empty`: every scan is emptied of its data (and
// the picture is encoded at 16 x 16 and then given the size, which is cheap).
Bytes JpegWithScans(std::uint32_t width, std::uint32_t height, unsigned scans, bool empty,
                    int components = 3);

} // namespace worstfiles
