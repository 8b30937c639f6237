#include "cylinder.h"

#include <algorithm>
#include <cmath>

namespace gpano {

namespace {

constexpr double Pi = 3.14159265358979323846;

double Radius(const CroppedArea& cylinder)
{
    return cylinder.fullWidth / (2 * Pi);
}

// The elevation of a row of the cylinder, and the row of an elevation, both
// in the full panorama's pixels: rows linear in the tangent.
double Elevation(double row, const CroppedArea& cylinder)
{
    return std::atan((cylinder.fullHeight / 2.0 - row) / Radius(cylinder));
}

double CylinderRow(double elevation, const CroppedArea& cylinder)
{
    return cylinder.fullHeight / 2.0 - Radius(cylinder) * std::tan(elevation);
}

// In an equirectangular full panorama as wide as the cylinder's, a radian
// is the radius in pixels too: the row of an elevation, and back.
double EquirectangularRow(double elevation, const CroppedArea& cylinder)
{
    return (Pi / 2 - elevation) * Radius(cylinder);
}

double ElevationOfEquirectangularRow(double row, const CroppedArea& cylinder)
{
    return Pi / 2 - row / Radius(cylinder);
}

} // namespace

CroppedArea EquirectangularCrop(const CroppedArea& cylinder)
{
    CroppedArea e;
    e.fullWidth = cylinder.fullWidth;
    e.fullHeight = std::max<std::uint32_t>(
        1, static_cast<std::uint32_t>(std::lround(cylinder.fullWidth / 2.0)));
    e.left = cylinder.left;
    e.width = cylinder.width;
    const double top = EquirectangularRow(Elevation(double(cylinder.top), cylinder), cylinder);
    const double bottom =
        EquirectangularRow(Elevation(double(cylinder.top) + cylinder.height, cylinder), cylinder);
    e.top = std::min(e.fullHeight - 1, static_cast<std::uint32_t>(std::lround(top)));
    e.height = std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::lround(bottom)) - e.top, 1,
                                         e.fullHeight - e.top);
    return e;
}

double CylinderReachDegrees(const CroppedArea& cylinder)
{
    const double top = Elevation(double(cylinder.top), cylinder);
    const double bottom = Elevation(double(cylinder.top) + cylinder.height, cylinder);
    return std::max(std::fabs(top), std::fabs(bottom)) * 180 / Pi;
}

double CylinderRowOf(double edge, double rows, const CroppedArea& equirect,
                     const CroppedArea& cylinder, double pictureRows)
{
    const double equirectRow = equirect.top + edge / rows * equirect.height;
    const double row = CylinderRow(ElevationOfEquirectangularRow(equirectRow, cylinder), cylinder);
    return (row - cylinder.top) / cylinder.height * pictureRows;
}

} // namespace gpano
