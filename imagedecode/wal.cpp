// Quake 2 textures: a 32-byte name, width, height, four mip level offsets,
// then 44 more header bytes; each level holds one palette index per pixel and
// is half the size of the one before. No signature: only a header consistent
// with the file tells. Checked here completely, so that the engine's own
// decoder, which reads them with its palette, reads nothing outside the file.
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
    constexpr std::size_t HeaderSize = 100;
    if (size < HeaderSize)
        return Fail(reason, "the WAL header is cut short");
    ByteReader in(data, size, 32);
    const std::uint64_t width = in.le32(), height = in.le32();
    if (!CheckEngineDimensions(width, height, reason))
        return false;
    for (int level = 0; level < 4; ++level) {
        const std::uint64_t offset = in.le32();
        const std::uint64_t bytes = (width >> level) * (height >> level);
        if (offset < HeaderSize || offset + bytes > size)
            return Fail(reason, "a WAL mip level lies outside the file");
    }
    picture = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    return true;
}

} // namespace

extern const Codec WalCodec = {Matches,
                               OpenMapped<PictureSize, Parse, DescribeSize, NotDecodedHere>};

} // namespace imagedecode
