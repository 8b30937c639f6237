#include "cropped_area.h"

#include <cstdlib>

namespace gpano {

namespace {

Verdict Ignore(std::string problem)
{
    Verdict verdict;
    verdict.coverage = Coverage::Ignored;
    verdict.problem = std::move(problem);
    return verdict;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A decimal whole number from `least` to MaxPanoramaSide, with blanks around
// it allowed; else the problem.
bool ReadCount(const Properties& properties, Property property, std::uint32_t least,
               std::uint32_t& count, std::string& problem)
{
    const std::string& text = properties.values[property];
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    std::uint64_t value = 0;
    bool number = begin < end;
    for (std::size_t i = begin; i < end && number; ++i) {
        number = text[i] >= '0' && text[i] <= '9';
        value = std::min<std::uint64_t>(value * 10 + unsigned(text[i] - '0'), MaxPanoramaSide + 1);
    }
    if (number && value >= least && value <= MaxPanoramaSide) {
        count = static_cast<std::uint32_t>(value);
        return true;
    }
    const std::string shown = text.substr(begin, std::min<std::size_t>(end - begin, 40));
    problem = PropertyName(property) + " is \"" + shown + "\", not a whole number from " +
              std::to_string(least) + " to " + std::to_string(MaxPanoramaSide);
    return false;
}

std::string Size(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

} // namespace

Verdict JudgeProperties(const Properties& p, std::uint32_t pictureWidth,
                        std::uint32_t pictureHeight)
{
    bool any = false, anySize = false;
    for (int i = 0; i < PropertyCount; ++i) {
        any = any || p.present[i];
        anySize = anySize || (i != ProjectionType && p.present[i]);
    }
    if (!any)
        return Verdict();
    if (p.present[ProjectionType] && p.values[ProjectionType] != "equirectangular")
        return Ignore(PropertyName(ProjectionType) + " is \"" +
                      p.values[ProjectionType].substr(0, 40) +
                      "\"; only \"equirectangular\" is placed");
    if (!anySize) // an equirectangular picture that says nothing of a crop
        return Verdict();
    for (int i = 0; i < PropertyCount; ++i)
        if (!p.present[i])
            return Ignore(PropertyName(Property(i)) + " is missing");

    CroppedArea a;
    std::string problem;
    if (!ReadCount(p, FullPanoWidthPixels, 1, a.fullWidth, problem) ||
        !ReadCount(p, FullPanoHeightPixels, 1, a.fullHeight, problem) ||
        !ReadCount(p, CroppedAreaImageWidthPixels, 1, a.width, problem) ||
        !ReadCount(p, CroppedAreaImageHeightPixels, 1, a.height, problem) ||
        !ReadCount(p, CroppedAreaLeftPixels, 0, a.left, problem) ||
        !ReadCount(p, CroppedAreaTopPixels, 0, a.top, problem))
        return Ignore(problem);
    if (std::uint64_t(a.left) + a.width > a.fullWidth)
        return Ignore("the cropped area (left " + std::to_string(a.left) + ", width " +
                      std::to_string(a.width) + ") reaches past the full panorama's width " +
                      std::to_string(a.fullWidth));
    if (std::uint64_t(a.top) + a.height > a.fullHeight)
        return Ignore("the cropped area (top " + std::to_string(a.top) + ", height " +
                      std::to_string(a.height) + ") reaches past the full panorama's height " +
                      std::to_string(a.fullHeight));
    // width / height against the area's, within 1 %: all products below 2^42.
    const double shapes = double(std::uint64_t(pictureWidth) * a.height) /
                          double(std::uint64_t(pictureHeight) * a.width);
    if (pictureWidth == 0 || pictureHeight == 0 || shapes > 1.01 || shapes < 1 / 1.01)
        return Ignore("the picture is " + Size(pictureWidth, pictureHeight) +
                      " pixels, not of the cropped area's shape (" + Size(a.width, a.height) + ")");
    if (a.width == a.fullWidth && a.height == a.fullHeight)
        return Verdict();
    Verdict verdict;
    verdict.coverage = Coverage::Partial;
    verdict.area = a;
    return verdict;
}

Verdict JudgePacket(const std::string& packet, std::uint32_t pictureWidth,
                    std::uint32_t pictureHeight)
{
    Properties properties;
    std::string problem;
    if (!ReadProperties(packet, properties, problem))
        return Ignore(problem);
    return JudgeProperties(properties, pictureWidth, pictureHeight);
}

} // namespace gpano
