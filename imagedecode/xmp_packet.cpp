#include "xmp_packet.h"

#include "decoder.h"
#include "zlib_inflate.h"

#include <cstring>

namespace imagedecode {

namespace {

constexpr char JpegXmpHeader[] = "http://ns.adobe.com/xap/1.0/"; // and its terminating zero
constexpr char PngXmpKeyword[] = "XML:com.adobe.xmp";

// Inflates zlib data into `out`, at most MaxXmpBytes.
void Inflate(const unsigned char* data, std::size_t size, std::string& out, std::string& problem)
{
    out.resize(MaxXmpBytes + 1);
    std::size_t written = 0;
    const Inflated result =
        InflateAtMost(data, size, MaxXmpBytes, reinterpret_cast<unsigned char*>(&out[0]), written);
    out.resize(written);
    if (result == Inflated::Whole)
        return;
    problem = InflateProblem(result, "XMP metadata", MaxXmpBytes);
    out.clear();
}

} // namespace

bool TakeJpegXmp(const unsigned char* segment, std::size_t size, XmpPacket& xmp)
{
    if (size < sizeof JpegXmpHeader || std::memcmp(segment, JpegXmpHeader, sizeof JpegXmpHeader))
        return false;
    xmp.found = true;
    xmp.text.assign(reinterpret_cast<const char*>(segment) + sizeof JpegXmpHeader,
                    size - sizeof JpegXmpHeader);
    return true;
}

bool IsPngXmpKeyword(const unsigned char* data, std::size_t size)
{
    static_assert(sizeof PngXmpKeyword == PngXmpKeywordBytes, "the keyword and its zero");
    return size >= PngXmpKeywordBytes && std::memcmp(data, PngXmpKeyword, PngXmpKeywordBytes) == 0;
}

// After the keyword: compression flag and method, language tag, translated
// keyword (each of the last two ended by a zero), then the text.
void TakePngXmp(const unsigned char* data, std::size_t size, std::uint32_t crc, XmpPacket& xmp)
{
    xmp.found = true;
    if (!PngChunkIntact("iTXt", data, size, crc)) {
        xmp.problem = "the PNG chunk that holds the XMP metadata is damaged";
        return;
    }
    std::size_t pos = PngXmpKeywordBytes + 2;
    for (int field = 0; field < 2 && pos <= size; ++field) {
        const void* end = std::memchr(data + pos, 0, size - pos);
        pos = end ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - data) + 1
                  : size + 1;
    }
    const bool compressed = size > PngXmpKeywordBytes && data[PngXmpKeywordBytes] != 0;
    if (pos > size || (compressed && data[PngXmpKeywordBytes + 1] != 0)) {
        xmp.problem = "the PNG chunk that holds the XMP metadata is damaged";
        return;
    }
    if (compressed) {
        Inflate(data + pos, size - pos, xmp.text, xmp.problem);
        return;
    }
    if (size - pos > MaxXmpBytes) {
        xmp.problem = LargerThanLimit("XMP metadata", MaxXmpBytes);
        return;
    }
    xmp.text.assign(reinterpret_cast<const char*>(data) + pos, size - pos);
}

} // namespace imagedecode
