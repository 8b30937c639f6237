// The conversion of a picture's samples to sRGB as the ICC colour profile
// embedded in its file describes them, with Little CMS. Profiles are
// untrusted: lcms reads each in a context of its own, whose memory is capped,
// and what lcms says against a profile becomes the reason it is not used.
#pragma once

#include "row_sink.h"

#include <memory>
#include <string>
#include <vector>

namespace imagedecode {

// Most memory lcms may take for one profile and the transform made from it.
constexpr std::size_t MaxProfileMemory = std::size_t(64) << 20;

class ColourTransform
{
public:
    // The conversion of rows of `samples` described by `profile` into sRGB
    // rows of TextureLayoutFor(samples). Null, saying why in `problem`, when
    // the profile cannot be used: lcms cannot read it, it is for another
    // colour space than the samples', or it cannot describe a picture's
    // colours. Null with no problem when there is nothing to convert: an
    // RGB profile that is sRGB's own.
    static std::unique_ptr<ColourTransform> Build(const std::vector<unsigned char>& profile,
                                                  PixelLayout samples, std::string& problem);
    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    PixelLayout samples() const { return samples_; }

    // Converts `pixels` pixels from `in` to `out`, which may be the same
    // memory when both layouts take as many bytes. Safe to call from any
    // one thread at a time.
    void convert(const unsigned char* in, unsigned char* out, std::size_t pixels) const;

private:
    struct Context;
    ColourTransform(std::unique_ptr<Context> context, PixelLayout samples);

    std::unique_ptr<Context> context_;
    PixelLayout samples_;
};

} // namespace imagedecode
