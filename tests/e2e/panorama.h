// A test panorama whose every pixel tells the direction it shows, and the
// directions a correct view of it must show.
//
// The picture is equirectangular: column u runs from longitude -180 degrees at
// the left edge through 0 in the middle to +180 at the right edge, row v from
// latitude +90 at the top to -90 at the bottom. Each pixel's colour encodes
// its direction: red and green are the cosine and sine of the longitude around
// (128, 128) with radius 127, blue the latitude from 0 (down) to 255 (up). The
// encoding has no jump anywhere, so the place where the left and right edges
// meet is as smooth as any other.
#ifndef SKYGLASS_TESTS_E2E_PANORAMA_H
#define SKYGLASS_TESTS_E2E_PANORAMA_H

#include "x11_testing.h"

#include <cstdint>
#include <string>

struct Direction
{
    double longitude = 0.0; // degrees, 0 ahead at heading 0, positive to the right
    double latitude = 0.0;  // degrees, positive up
};

// Writes the test panorama as an uncompressed 24-bit BMP file.
void writeTestPanorama(const std::string& path, int width, int height);

// The direction a pixel colour of the test panorama stands for; false for a
// colour the panorama does not have (the background, for instance).
bool decodeDirection(std::uint32_t rgb, Direction& direction);

// A camera at the centre of the panorama, level, turned `heading` degrees to
// the right, with a vertical field of view of 53 degrees, in a window of
// `width` x `height` pixels.
struct View
{
    int width = 0;
    int height = 0;
    double heading = 0.0;

    // The direction the centre of pixel (x, y) looks in.
    Direction direction(int x, int y) const;
};

// Compares the picture with what `view` must show, at a grid of points and at
// every pixel of a band around the vertical centre line; returns an empty
// string when every point is within `tolerance` degrees, else a description of
// the worst points.
std::string compareWithView(const x11testing::Image& image, const View& view, double tolerance);

#endif
