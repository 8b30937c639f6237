// The GPano properties (namespace http://ns.google.com/photos/1.0/panorama/)
// that say which part of the sphere a picture covers, in which projection,
// and which way it opens, read from an XMP packet with Exempi: as attributes
// or as elements, under any prefix.
#pragma once

#include <string>

namespace gpano {

enum Property
{
    ProjectionType,
    FullPanoWidthPixels,
    FullPanoHeightPixels,
    CroppedAreaImageWidthPixels,
    CroppedAreaImageHeightPixels,
    CroppedAreaLeftPixels,
    CroppedAreaTopPixels,
    InitialViewHeadingDegrees,
    PoseHeadingDegrees,
    PropertyCount
};

// "GPano:FullPanoWidthPixels", as messages name it.
std::string PropertyName(Property property);

struct Properties
{
    bool present[PropertyCount] = {};
    std::string values[PropertyCount]; // as the packet states them; empty for a struct or array
};

// Reads the packet. False, with the reason in `problem`, when it is not XMP
// that the library can parse.
bool ReadProperties(const std::string& packet, Properties& properties, std::string& problem);

} // namespace gpano
