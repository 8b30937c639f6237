// What a picture's GPano properties say it covers: the whole sphere (no
// properties, or a cropped area as large as the full panorama), part of it,
// or nothing usable, with what is wrong.
#pragma once

#include "xmp_properties.h"

#include <cstdint>
#include <string>

namespace gpano {

// Largest size or offset read from the properties, in pixels.
constexpr std::uint32_t MaxPanoramaSide = 1000000;

// The cropped area within the full panorama, in the full panorama's pixels.
struct CroppedArea
{
    std::uint32_t fullWidth = 0, fullHeight = 0;
    std::uint32_t width = 0, height = 0;
    std::uint32_t left = 0, top = 0;
};

enum class Coverage
{
    Whole,   // shown over the whole sphere, as any picture without metadata
    Partial, // placed where `area` says
    Ignored, // shown over the whole sphere; `problem` says what is wrong
};

struct Verdict
{
    Coverage coverage = Coverage::Whole;
    CroppedArea area;
    std::string problem;
};

// A valid partial panorama: projection equirectangular, every size a positive
// whole number, the cropped area inside the full panorama and smaller than
// it, and the picture's shape (width / height) that of the cropped area
// within 1 %.
Verdict JudgeProperties(const Properties& properties, std::uint32_t pictureWidth,
                        std::uint32_t pictureHeight);

// The packet read and judged: unreadable metadata is ignored with its reason.
Verdict JudgePacket(const std::string& packet, std::uint32_t pictureWidth,
                    std::uint32_t pictureHeight);

} // namespace gpano
