#include "test_panorama.h"

#include <algorithm>
#include <cmath>

constexpr double degrees = 180.0 / 3.14159265358979323846;

// Little-endian words of `bytes` bytes each.
static void put(std::string& out, std::initializer_list<unsigned> values, int bytes = 4)
{
    for (const unsigned value : values)
        for (int i = 0; i < bytes; ++i)
            out += char(value >> 8 * i & 0xFF);
}

void testPanoramaRow(int width, int height, int y, unsigned char* rgb)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t pixel = testPanoramaPixel(x, y, width, height);
        rgb[x * 3] = static_cast<unsigned char>(pixel >> 16);
        rgb[x * 3 + 1] = static_cast<unsigned char>(pixel >> 8);
        rgb[x * 3 + 2] = static_cast<unsigned char>(pixel);
    }
}

std::string testPanorama(int width, int height)
{
    const unsigned rowBytes = unsigned(width * 3 + 3) / 4 * 4, size = rowBytes * unsigned(height);
    std::string out = "BM";
    put(out, {54 + size, 0, 54, 40, unsigned(width), unsigned(height)});
    put(out, {1, 24}, 2);
    put(out, {0, size, 2835, 2835, 0, 0});
    std::string row(rowBytes, 0);
    for (int y = height - 1; y >= 0; --y) { // BMP rows run from the bottom up
        for (std::size_t x = 0; x < std::size_t(width); ++x) {
            const std::uint32_t rgb = testPanoramaPixel(int(x), y, width, height);
            row[x * 3] = char(rgb & 0xFF); // blue, green, red
            row[x * 3 + 1] = char(rgb >> 8 & 0xFF);
            row[x * 3 + 2] = char(rgb >> 16);
        }
        out += row;
    }
    return out;
}

std::uint32_t testPanoramaPixel(int x, int y, int width, int height)
{
    const double latitude = 90.0 - (y + 0.5) / height * 180.0;
    const double longitude = ((x + 0.5) / width * 360.0 - 180.0) / degrees;
    return std::uint32_t(std::lround(128.0 + 127.0 * std::cos(longitude))) << 16 |
           std::uint32_t(std::lround(128.0 + 127.0 * std::sin(longitude))) << 8 |
           std::uint32_t(std::lround((latitude + 90.0) / 180.0 * 255.0));
}

std::string compareWithView(const x11testing::Image& image, const View& view, double tolerance,
                            const Shown& placed)
{
    if (image.width != view.width || image.height != view.height)
        return "window is " + std::to_string(image.width) + " x " + std::to_string(image.height);
    const double tanHalf = std::tan(26.5 / degrees), turn = view.heading / degrees;
    int bad = 0;
    std::string differences;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            if ((x % (view.width / 16) || y % (view.height / 12)) &&
                (std::abs(x - view.width / 2) > 6 || y % 2))
                continue;
            // Camera space: x right, y up, z ahead; turning right brings z towards x.
            const double cx = ((x + 0.5) / view.width * 2 - 1) * tanHalf * view.width / view.height;
            const double cy = (1 - (y + 0.5) / view.height * 2) * tanHalf;
            const double wx = std::sin(turn) + cx * std::cos(turn);
            const double wz = std::cos(turn) - cx * std::sin(turn);
            const double direction = std::atan2(wx, wz) * degrees;
            const double elevation = std::atan2(cy, std::hypot(wx, wz)) * degrees;
            // Black beyond the picture; points near its edge are not compared.
            const double inside = std::min({direction - placed.west, placed.east - direction,
                                            elevation - placed.south, placed.north - elevation});
            if (std::fabs(inside) <= tolerance)
                continue;
            const double longitude = direction * placed.lonScale + placed.lonShift;
            const double latitude = elevation * placed.latScale + placed.latShift;
            const std::uint32_t rgb = image.at(x, y);
            const double c = double(rgb >> 16 & 0xFF) - 128, s = double(rgb >> 8 & 0xFF) - 128;
            const bool shown =
                inside < 0
                    ? (rgb & 0xF0F0F0) == 0
                    : std::hypot(c, s) >= 100 &&
                          std::fabs(std::remainder(std::atan2(s, c) * degrees - longitude, 360)) <=
                              tolerance &&
                          std::fabs((rgb & 0xFF) / 255.0 * 180 - 90 - latitude) <= tolerance;
            if (!shown && ++bad <= 5)
                differences +=
                    " (" + std::to_string(x) + ", " + std::to_string(y) + ") should show " +
                    (inside < 0 ? std::string("black")
                                : std::to_string(longitude) + "/" + std::to_string(latitude)) +
                    " but shows " + std::to_string(rgb) + ";";
        }
    return bad == 0 ? "" : std::to_string(bad) + " points differ:" + differences;
}
