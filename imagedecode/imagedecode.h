// Image decoding that never trusts the file: every length, count, offset and
// run is checked against the input before a byte is written. No engine here.
// ImageFile (image_file.h) opens a file once and knows its picture's
// description; its decoder hands the rows to a chain of sinks the caller
// builds (row_sink.h): stages that reduce or place them, and at the end a
// PictureBuffer (picture_buffer.h) that keeps them as one picture.
//
// Every format is one row of the table in formats.def and one source file
// that defines its Codec.
#pragma once

#include "row_sink.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace imagedecode {

// Largest picture a file may describe: each side at most 262144 pixels and
// at most a gigapixel in all. Larger pictures than the texture are reduced
// as they are decoded (reduce_stage.h), so this bounds the work of a file,
// not the memory of its picture.
constexpr std::uint32_t MaxImageSide = 1u << 18;
#ifndef IMAGEDECODE_FUZZING
constexpr std::uint64_t MaxImagePixels = std::uint64_t(1) << 30;
#else
// Fuzzing builds keep pictures small, so that the fuzzer's time goes into
// decoding rather than into filling huge empty pictures.
constexpr std::uint64_t MaxImagePixels = std::uint64_t(1) << 22;
#endif

// Largest file read at all.
constexpr std::uint64_t MaxFileSize = std::uint64_t(1) << 30;

// Signatures look at no more than this many first bytes of a file.
constexpr std::size_t HeadBytes = 64;

enum class FileFormat
{
#define IMAGE_FORMAT(Id, key, name, flags) Id,
#include "formats.def"
#undef IMAGE_FORMAT
};

enum FormatFlags : unsigned
{
    RowsBottomUp = 1u << 0,     // may hand its rows bottom-up
    RowsMoreThanOnce = 1u << 1, // may hand its rows in several passes
    DecodedByEngine = 1u << 2,  // checked here, decoded by the engine's own loader
    NoSignature = 1u << 3,      // any bytes may start it: only its header tells
    Streamed = 1u << 4,         // decoded as the file is read, never mapped
};

// Largest XMP packet taken from a file.
constexpr std::size_t MaxXmpBytes = std::size_t(1) << 20;

// The XMP packet a file carries before its picture data: in a JPEG file the
// first APP1 segment with the XMP header before the first scan, in a PNG file
// the first iTXt chunk with the keyword "XML:com.adobe.xmp" before the first
// IDAT (compressed or not). Extended XMP is not read.
struct XmpPacket
{
    bool found = false;  // the file has one
    std::string text;    // the packet, when it could be taken
    std::string problem; // otherwise why not: too large, damaged
};

// Largest colour profile taken from a file, all its pieces together.
constexpr std::size_t MaxProfileBytes = std::size_t(4) << 20;

// The ICC colour profile a file carries before its picture data: JPEG's APP2
// ICC_PROFILE segments joined in their order, PNG's iCCP chunk inflated,
// PSD's image resource 1039, a BMP V5 header's embedded profile.
struct IccProfile
{
    bool found = false;              // the file has one
    std::vector<unsigned char> data; // the profile, when it could be taken
    std::string problem;             // otherwise why not: too large, damaged
};

// What a file says of its picture before the first pixel: the picture as
// stored (its full size, the layout and order of the rows a decoder hands
// on, its passes) and the metadata found on the way. When the file has a
// colour profile that could be taken, the rows are the samples it describes,
// in whichever layout the file stores them, for the colour stage to convert;
// otherwise they are in a texture's layout (IsTextureLayout).
struct ImageDescription
{
    PictureInfo picture;
    XmpPacket xmp;
    IccProfile profile;

    PictureSize size() const { return {picture.width, picture.height}; }
};

// The work one decode did, counted so that tests can bound it by the picture
// and the file rather than by time. Each decoder fills the counters that
// apply to it and leaves the others at 0.
struct DecodeWork
{
    std::uint64_t pixelsFilled = 0;      // pixels of the rows handed to the sink, every pass
    std::uint64_t runSteps = 0;          // run-length data: codes read and pixels they wrote
    std::uint64_t compressedBytes = 0;   // PNG: bytes of the file handed to libpng
    std::uint64_t bytesAfterLastRow = 0; // PNG: of these, the piece the last row came in, at most
    std::uint64_t inflatedBytes = 0;     // PNG: bytes inflated, at most
    unsigned scans = 0;                  // JPEG: scans the library read
};

class Decoder;
class Source;

// What a format's source file gives the table.
struct Codec
{
    // The signature: could a file of this format start with these bytes
    // (the file's first HeadBytes or fewer)?
    bool (*matches)(const unsigned char* data, std::size_t size);
    // Reads everything that comes before the first row (the header and the
    // metadata) once, and gives the decoder that goes on from there; null,
    // saying why in `reason` (a short phrase without the file name), when
    // the file is not one this format reads.
    std::unique_ptr<Decoder> (*open)(Source& source, std::string& reason);
};

#define IMAGE_FORMAT(Id, key, name, flags) extern const Codec Id##Codec;
#include "formats.def"
#undef IMAGE_FORMAT

// One row of the table.
struct ImageFormat
{
    FileFormat id;
    const char* key;  // lower case: source file, fuzz target, seed folder
    const char* name; // as messages name it
    unsigned flags;   // FormatFlags
    const Codec* codec;
};

// The table, in the order recognition tries the formats.
struct FormatTable
{
    const ImageFormat* begin() const;
    const ImageFormat* end() const;
};
FormatTable Formats();
const ImageFormat& FormatOf(FileFormat id);

} // namespace imagedecode
