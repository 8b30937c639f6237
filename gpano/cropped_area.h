// What a picture's GPano properties say it covers: the whole sphere (no
// properties, or an equirectangular cropped area as large as the full
// panorama), part of it, or nothing usable, with what is wrong; in which
// projection; and which way the camera opens.
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

// Equirectangular: columns and rows linear in heading and elevation.
// Cylindrical: columns linear in heading, rows in the tangent of elevation,
// about a horizon half way down the full panorama, on a cylinder whose radius
// is the full panorama's width / 2 pi.
enum class Projection
{
    Equirectangular,
    Cylindrical
};

// Farthest a cylindrical panorama may reach from the horizon, in degrees:
// beyond it a pixel's row would be stretched more than eleven times.
constexpr double MaxCylinderElevation = 85.0;

struct Verdict
{
    Coverage coverage = Coverage::Whole;
    Projection projection = Projection::Equirectangular;
    CroppedArea area;
    std::string problem;
    // The opening view, when the metadata chooses one: how far the camera
    // opens turned right of the full panorama's centre, degrees from 0 to
    // 360 (the initial view's compass heading less the pose heading, the
    // compass heading of the full panorama's centre).
    bool viewChosen = false;
    double viewTurn = 0.0;
    std::string viewProblem; // why a chosen view is ignored
};

// Degrees turned into [0, 360).
double WrapDegrees(double degrees);

// A valid partial panorama: projection equirectangular or cylindrical, every
// size a positive whole number, the cropped area inside the full panorama
// (and smaller than it, for an equirectangular one), and the picture's shape
// (width / height) that of the cropped area within 1 %; a cylindrical one
// within MaxCylinderElevation of the horizon. A cylindrical picture without
// sizes is a whole cylinder. The opening view: a heading that is a number.
Verdict JudgeProperties(const Properties& properties, std::uint32_t pictureWidth,
                        std::uint32_t pictureHeight);

// The packet read and judged: unreadable metadata is ignored with its reason.
Verdict JudgePacket(const std::string& packet, std::uint32_t pictureWidth,
                    std::uint32_t pictureHeight);

} // namespace gpano
