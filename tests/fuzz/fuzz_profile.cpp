// libFuzzer target for the reading of colour profiles: the input's first
// byte chooses the layout of the picture's samples (grey, RGB or CMYK, at 8
// or 16 bits, with or without alpha), the rest is the ICC profile. The
// profile is judged and its conversion built as the viewer does, and two
// rows converted; every broken promise stops the run: a profile refused
// without a reason, a conversion for other samples than asked.
#include "colour_transform.h"
#include "imagedecode.h"

#include <vector>

using namespace imagedecode;

namespace {

void Require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

const PixelLayout Layouts[] = {
    PixelLayout::Rgb24,      PixelLayout::Argb32, PixelLayout::Grey8,
    PixelLayout::GreyAlpha8, PixelLayout::Grey16, PixelLayout::GreyAlpha16,
    PixelLayout::Rgb48,      PixelLayout::Rgba64, PixelLayout::Cmyk32};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size < 1 || size - 1 > MaxProfileBytes)
        return 0;
    const PixelLayout samples = Layouts[data[0] % (sizeof Layouts / sizeof Layouts[0])];
    const std::vector<unsigned char> profile(data + 1, data + size);
    std::string problem;
    const std::unique_ptr<ColourTransform> transform =
        ColourTransform::Build(profile, samples, problem);
    Require(!transform || problem.empty());
    // Without a conversion and without a problem only an RGB profile is
    // sRGB's own.
    Require(transform || !problem.empty() || samples == PixelLayout::Rgb24 ||
            samples == PixelLayout::Argb32 || samples == PixelLayout::Rgb48 ||
            samples == PixelLayout::Rgba64);
    if (!transform)
        return 0;
    Require(transform->samples() == samples);
    constexpr std::size_t Pixels = 257;
    std::vector<unsigned char> in(Pixels * BytesPerPixel(samples)), out(Pixels * 4);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<unsigned char>(i * 7);
    transform->convert(in.data(), out.data(), Pixels);
    return 0;
}
