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

struct View // a level camera turned right by `heading` degrees, seeing 53 degrees high
{
    int width = 0, height = 0;
    double heading = 0.0;
};

// Empty when the picture shows the directions of `view` within `tolerance`
// degrees at a grid and along the centre line; else the points that differ.
std::string compareWithView(const x11testing::Image& image, const View& view, double tolerance);
