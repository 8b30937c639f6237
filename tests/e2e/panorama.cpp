#include "panorama.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr double degrees = 180.0 / pi;
constexpr double verticalFieldOfView = 53.0;

void put16(std::ofstream& out, unsigned value)
{
    out.put(char(value & 0xFF)).put(char(value >> 8 & 0xFF));
}

void put32(std::ofstream& out, unsigned value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Difference of two longitudes, folded into -180 to 180.
double longitudeDifference(double a, double b)
{
    double difference = std::fmod(a - b, 360.0);
    if (difference > 180.0)
        difference -= 360.0;
    if (difference < -180.0)
        difference += 360.0;
    return difference;
}
} // namespace

void writeTestPanorama(const std::string& path, int width, int height)
{
    const unsigned rowBytes = unsigned(width * 3 + 3) / 4 * 4;
    std::ofstream out(path, std::ios::binary);
    out.put('B').put('M');
    put32(out, 54 + rowBytes * unsigned(height));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, unsigned(width));
    put32(out, unsigned(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, rowBytes * unsigned(height));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);

    std::vector<char> row(rowBytes, 0);
    // BMP rows run from the bottom up.
    for (int y = height - 1; y >= 0; --y) {
        const double latitude = 90.0 - (y + 0.5) / height * 180.0;
        for (int x = 0; x < width; ++x) {
            const double longitude = (x + 0.5) / width * 360.0 - 180.0;
            row[std::size_t(x) * 3 + 0] = char(std::lround((latitude + 90.0) / 180.0 * 255.0));
            row[std::size_t(x) * 3 + 1] =
                char(std::lround(128.0 + 127.0 * std::sin(longitude / degrees)));
            row[std::size_t(x) * 3 + 2] =
                char(std::lround(128.0 + 127.0 * std::cos(longitude / degrees)));
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
}

bool decodeDirection(std::uint32_t rgb, Direction& direction)
{
    const double c = x11testing::red(rgb) - 128.0;
    const double s = x11testing::green(rgb) - 128.0;
    if (std::hypot(c, s) < 100.0)
        return false;
    direction.longitude = std::atan2(s, c) * degrees;
    direction.latitude = x11testing::blue(rgb) / 255.0 * 180.0 - 90.0;
    return true;
}

Direction View::direction(int x, int y) const
{
    const double tanHalf = std::tan(verticalFieldOfView / 2.0 / degrees);
    const double aspect = double(width) / height;
    // Camera space: x right, y up, z ahead.
    const double cx = ((x + 0.5) / width * 2.0 - 1.0) * tanHalf * aspect;
    const double cy = (1.0 - (y + 0.5) / height * 2.0) * tanHalf;
    const double cz = 1.0;
    // Turning right by the heading brings +z towards +x.
    const double h = heading / degrees;
    const double wx = cz * std::sin(h) + cx * std::cos(h);
    const double wz = cz * std::cos(h) - cx * std::sin(h);
    Direction result;
    result.longitude = std::atan2(wx, wz) * degrees;
    result.latitude = std::atan2(cy, std::hypot(wx, wz)) * degrees;
    return result;
}

std::string compareWithView(const x11testing::Image& image, const View& view, double tolerance)
{
    if (image.width != view.width || image.height != view.height) {
        std::ostringstream text;
        text << "window is " << image.width << " x " << image.height << ", expected " << view.width
             << " x " << view.height;
        return text.str();
    }

    std::vector<std::pair<int, int>> points;
    for (int gy = 0; gy <= 12; ++gy)
        for (int gx = 0; gx <= 16; ++gx)
            points.emplace_back(std::min(view.width - 1, gx * view.width / 16),
                                std::min(view.height - 1, gy * view.height / 12));
    for (int y = 0; y < view.height; y += 2)
        for (int x = view.width / 2 - 6; x <= view.width / 2 + 6; ++x)
            points.emplace_back(x, y);

    int bad = 0;
    double worst = 0.0;
    std::ostringstream text;
    for (const auto& [x, y] : points) {
        const Direction expected = view.direction(x, y);
        Direction seen;
        double error = 1e9;
        if (decodeDirection(image.at(x, y), seen))
            error = std::max(std::fabs(longitudeDifference(seen.longitude, expected.longitude)),
                             std::fabs(seen.latitude - expected.latitude));
        if (error <= tolerance)
            continue;
        if (bad < 5) {
            text << " (" << x << ", " << y << "): colour 0x" << std::hex << image.at(x, y)
                 << std::dec;
            if (error < 1e9)
                text << " shows " << seen.longitude << "/" << seen.latitude;
            text << ", expected " << expected.longitude << "/" << expected.latitude << ";";
        }
        ++bad;
        worst = std::max(worst, error);
    }
    if (bad == 0)
        return std::string();
    std::ostringstream summary;
    summary << bad << " of " << points.size() << " points differ (heading " << view.heading
            << "):" << text.str();
    return summary.str();
}
