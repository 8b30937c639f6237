// libFuzzer target for one decoder, chosen at build time with
// -DFUZZ_DECODER=<function>. Every decoded picture is read back whole, so
// that a buffer of the wrong size shows under AddressSanitizer.
#include "decode.h"

using namespace imageload;

namespace {

bool DecodeQuake(const unsigned char* data, std::size_t size, DecodedImage&, std::string& reason)
{
    return CheckWal(data, size, reason) || CheckLmp(data, size, reason);
}

bool DecodeAny(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason)
{
    FileFormat format;
    return DecodeImage(data, size, image, reason, format);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    DecodedImage image;
    std::string reason;
    const bool decoded = FUZZ_DECODER(data, size, image, reason);
    if (!decoded && reason.empty())
        __builtin_trap(); // every refusal says why
    volatile unsigned sum = 0;
    const std::size_t bytes = std::size_t(image.width) * image.height * image.BytesPerPixel();
    for (std::size_t i = 0; decoded && image.pixels && i < bytes; i += 61)
        sum = sum + image.pixels[i] + image.pixels[bytes - 1];
    return 0;
}
