// Image loaders the benchmark compares on the same JPEG and PNG. Each decodes
// one file completely and reports the size it found; add a loader by adding
// an entry to `imageDecoders()` in image_decoders.cpp.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace bench {

struct ImageDecoder
{
    std::string name;
    // Decodes the file; false when it cannot. Called repeatedly.
    std::function<bool(const std::string& path, unsigned& width, unsigned& height)> decode;
};

std::vector<ImageDecoder> imageDecoders();

} // namespace bench
