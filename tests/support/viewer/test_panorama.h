// A test panorama whose every pixel tells the direction it shows, longitude
// -180 to 180 degrees from left to right, latitude 90 to -90 from top to bottom:
// red and green are the longitude's cosine and sine, blue the latitude. The
// colours have no jump, so the seam where the edges meet is as smooth as any.
#pragma once

#include "x11_testing.h"

#include <string>

// Row `y` of the test panorama: red, green, blue for each pixel.
void testPanoramaRow(int width, int height, int y, unsigned char* rgb);

// The test panorama as an uncompressed 24-bit BMP file.
std::string testPanorama(int width, int height);
// Its pixel (x, y) as 0xRRGGBB.
std::uint32_t testPanoramaPixel(int x, int y, int width, int height);

struct View // a level camera turned right by `heading` degrees, seeing 53 degrees high
{
    int width = 0, height = 0;
    double heading = 0.0;
};

// Where the viewer shows a picture cut from the test panorama: the view's
// directions from `west` to `east` and from `south` to `north` (degrees,
// longitude 0 straight ahead at heading 0) show the test panorama's
// direction (longitude x lonScale + lonShift, latitude x latScale +
// latShift); the others show black.
struct Shown
{
    double west = -180.0, east = 180.0, south = -90.0, north = 90.0;
    double lonScale = 1.0, lonShift = 0.0, latScale = 1.0, latShift = 0.0;
};

// Empty when the picture shows the directions of `view` within `tolerance`
// degrees at a grid and along the centre line, placed as `shown` says (points
// within `tolerance` of the edge of black are not compared); else the points
// that differ.
std::string compareWithView(const x11testing::Image& image, const View& view, double tolerance,
                            const Shown& shown = Shown());
