// Valid pictures of every format and its key variants, written by the tests
// themselves: the files every image loading test starts from.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <png.h>

struct jpeg_compress_struct;

namespace testimages {

using Bytes = std::vector<unsigned char>;

// 0xAARRGGBB words, rows top to bottom; a paletted picture also keeps its
// palette and one index per pixel.
struct Picture
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint32_t> argb{};
    std::vector<std::uint32_t> palette{};
    Bytes indices{};
};

// Distinct colours (or grey levels), opaque unless `alpha`.
Picture MakeTrueColor(unsigned width, unsigned height, bool alpha, bool grey = false);
// Runs of 256 palette entries with alpha.
Picture MakePaletted(unsigned width, unsigned height);

// `order` names the bytes of each pixel in the file: R, G, B, A (alpha) or
// I (palette index); RRGGBB is 16-bit colour in PNM files. PCX files are
// paletted, PSD and SGI files run-length coded. JPEG scans: 0 baseline, 1
// progressive, 2 one per coefficient and component (190).
Bytes EncodeBmp(const Picture& p, const std::string& order, bool rle = false, bool topDown = false);
// 32 bits without bit fields, with a 124-byte header whose alpha mask says
// that the fourth byte is alpha.
Bytes EncodeBmpAlphaMask(const Picture& p);
// 24 bits with a V5 header and the profile embedded after the pixels.
Bytes EncodeBmpWithProfile(const Picture& p, const Bytes& profile);
Bytes EncodePcx(const Picture& p);
Bytes EncodePnm(const Picture& p, const std::string& order, const std::string& afterMaximum = "\n");
Bytes EncodePsd(const Picture& p, const std::string& order);
Bytes EncodeSgi(const Picture& p, const std::string& order);
Bytes EncodeTga(const Picture& p, const std::string& order, bool rle = false, bool topDown = false);
Bytes EncodeJpeg(const Picture& p, const std::string& order, int scans = 0,
                 bool arithmetic = false);
// Any JPEG libjpeg writes: `components` samples a pixel in colour space
// `space` (a J_COLOR_SPACE), the parameters set by `configure` after the
// defaults, and each row's samples by `fillRow(y, row)`.
Bytes CompressJpeg(unsigned width, unsigned height, int components, int space,
                   const std::function<void(jpeg_compress_struct&)>& configure,
                   const std::function<void(unsigned y, unsigned char* row)>& fillRow);
Bytes EncodePng(const Picture& p, const std::string& order);
// A libpng write struct that appends what it writes to `out`.
png_structp PngWriterInto(Bytes& out);
// 8- or 16-bit samples (each the picture's byte twice, the same value) with
// a gAMA chunk when `gamma` is not 0.
Bytes EncodePngDepth(const Picture& p, const std::string& order, int depth, bool interlaced,
                     double gamma = 0);
Bytes EncodeWal(const Picture& p);
Bytes EncodeLmp(const Picture& p);

// Metadata: an XMP packet with GPano properties (name without prefix, value)
// bound to `prefix`, as attributes or as elements; the seven that place a
// crop of width x height at (left, top) in a full panorama of `projection`.
using Properties = std::vector<std::pair<std::string, std::string>>;
std::string GPanoPacket(const Properties& properties, bool elements = false,
                        const std::string& prefix = "GPano");
Properties GPanoCrop(unsigned fullWidth, unsigned fullHeight, unsigned width, unsigned height,
                     unsigned left, unsigned top, const char* projection = "equirectangular");
// A JPEG file with an APP1 segment of `data` after its first marker, or
// before its end marker, after the scans.
Bytes WithJpegApp1(const Bytes& jpeg, const std::string& data, bool afterScans = false);
std::string JpegXmpSegment(const std::string& packet); // the XMP header, then the packet
// A PNG file with a chunk after its header chunk, or before its end chunk,
// after the image data.
Bytes WithPngChunk(const Bytes& png, const std::string& type, const std::string& data,
                   bool afterImageData = false);
std::string PngXmpChunk(const std::string& packet, bool compressed = false); // iTXt data

// An RGB picture file read by the project's decoders, opaque; empty, with
// the reason, when it cannot be.
Picture ReadRgbPicture(const char* path, std::string& reason);

// The same picture, opaque: what formats without alpha store of it.
Picture Opaque(Picture p);

// What libjpeg reads from a JPEG file with the decoders' settings (RGB,
// plain upsampling), read to its end marker; empty when it fails. Its
// warnings (message codes) go to `warnings` when given.
Picture ReadJpegWithLibjpeg(const Bytes& file, std::vector<int>* warnings = nullptr);

} // namespace testimages

// A valid file and the picture it holds, where the file stores it exactly.
struct ImageCase
{
    std::string name;      // test name part
    std::string extension; // the engine picks its decoder by it
    testimages::Bytes bytes;
    testimages::Picture picture{}; // empty for JPEG and the formats the engine decodes
};

std::vector<ImageCase> ValidCases();

// Test failures name the case instead of dumping its bytes.
inline void PrintTo(const ImageCase& c, std::ostream* os)
{
    *os << c.name;
}
