// Taking a file's XMP packet from the segment or chunk that holds it, for the
// JPEG and PNG decoders (XmpPacket, imagedecode.h).
#pragma once

#include "imagedecode.h"

namespace imagedecode {

// The data of a JPEG APP1 segment (after its length): takes the packet when
// the segment starts with the XMP header; false when it does not.
bool TakeJpegXmp(const unsigned char* segment, std::size_t size, XmpPacket& xmp);

// A PNG iTXt chunk holds XMP when its data starts with this keyword and its
// terminating zero.
constexpr std::size_t PngXmpKeywordBytes = 18;
bool IsPngXmpKeyword(const unsigned char* data, std::size_t size);

// The largest iTXt chunk with XMP that is read: the largest packet, stored
// uncompressed in deflate blocks, and the chunk's own fields.
constexpr std::size_t MaxPngXmpChunk = MaxXmpBytes + MaxXmpBytes / 1024 + 1024;

// The data of an iTXt chunk with the XMP keyword and the chunk's CRC: takes
// the packet, inflating it when compressed, or says why not in xmp.problem.
void TakePngXmp(const unsigned char* data, std::size_t size, std::uint32_t crc, XmpPacket& xmp);

} // namespace imagedecode
