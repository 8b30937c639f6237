// Quake picture lumps: width, height, one palette index per pixel, nothing
// else. No signature: only a size that matches the header tells. Checked
// here, decoded by the engine's own decoder with its palette.
#include "byte_reader.h"
#include "decoder.h"

namespace imagedecode {

namespace {

bool Matches(const unsigned char*, std::size_t)
{
    return true;
}

bool Parse(const unsigned char* data, std::size_t size, PictureSize& picture, std::string& reason)
{
    ByteReader in(data, size);
    const std::uint64_t width = in.le32(), height = in.le32();
    if (!in.ok())
        return Fail(reason, "the LMP header is cut short");
    if (!CheckEngineDimensions(width, height, reason))
        return false;
    if (8 + width * height != size)
        return Fail(reason, "the LMP size does not match its width and height");
    picture = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    return true;
}

} // namespace

extern const Codec LmpCodec = {Matches,
                               OpenMapped<PictureSize, Parse, DescribeSize, NotDecodedHere>};

} // namespace imagedecode
