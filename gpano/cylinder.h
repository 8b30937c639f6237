// A cylindrical panorama re-projected into an equirectangular one: columns
// stay as they are (both are linear in heading), rows move from the tangent
// of their elevation to the elevation itself. The cylinder's radius is the
// full panorama's width / 2 pi pixels, and its horizon lies half way down the
// full panorama.
#pragma once

#include "cropped_area.h"

namespace gpano {

// The cylindrical crop as a crop of an equirectangular full panorama of the
// same width (and half of it high): the same columns, and the rows between
// the elevations of the crop's top and bottom edges.
CroppedArea EquirectangularCrop(const CroppedArea& cylinder);

// How far the cylindrical crop reaches from the horizon: the larger of the
// elevations of its top and bottom edges, in degrees.
double CylinderReachDegrees(const CroppedArea& cylinder);

// Where an edge between rows of the re-projected picture lies in the
// cylindrical picture: `edge` from 0 (its top) to `rows` (its bottom) of a
// re-projected picture `rows` high covering `equirect`, to the same from 0
// to `pictureRows` of a cylindrical picture `pictureRows` high covering
// `cylinder`.
double CylinderRowOf(double edge, double rows, const CroppedArea& equirect,
                     const CroppedArea& cylinder, double pictureRows);

} // namespace gpano
