// libFuzzer target for one decoder, chosen at build time with
// -DFUZZ_DECODER=<function>. Every decoded picture is read back whole, so
// that a buffer of the wrong size shows under AddressSanitizer.
#include "decode.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool DecodeQuake(const unsigned char* data, std::size_t size, imageload::DecodedImage&,
                 std::string& reason)
{
    return imageload::CheckWal(data, size, reason) || imageload::CheckLmp(data, size, reason);
}

bool DecodeAny(const unsigned char* data, std::size_t size, imageload::DecodedImage& image,
               std::string& reason)
{
    imageload::FileFormat format;
    return imageload::DecodeImage(data, size, image, reason, format);
}

} // namespace

using namespace imageload;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodedImage image;
    std::string reason;
    const bool decoded = FUZZ_DECODER(data, size, image, reason);
    if (!decoded && reason.empty())
        __builtin_trap(); // every refusal says why
    if (decoded && image.pixels) {
        const std::size_t bytes = std::size_t(image.width) * image.height * image.BytesPerPixel();
        volatile unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; i += 61)
            sum = sum + image.pixels[i];
        sum = sum + image.pixels[bytes - 1];
    }
    return 0;
}
