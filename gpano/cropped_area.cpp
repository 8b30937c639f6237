#include "cropped_area.h"

#include "cylinder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// The text without the blanks around it.
std::string Trimmed(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// A decimal whole number from `least` to MaxPanoramaSide, with blanks around
// it allowed; else the problem.
bool ReadCount(const Properties& properties, Property property, std::uint32_t least,
               std::uint32_t& count, std::string& problem)
{
    const std::string digits = Trimmed(properties.values[property]);
    std::uint64_t value = 0;
    bool number = !digits.empty();
    for (std::size_t i = 0; i < digits.size() && number; ++i) {
        number = digits[i] >= '0' && digits[i] <= '9';
        value =
            std::min<std::uint64_t>(value * 10 + unsigned(digits[i] - '0'), MaxPanoramaSide + 1);
    }
    if (number && value >= least && value <= MaxPanoramaSide) {
        count = static_cast<std::uint32_t>(value);
        return true;
    }
    problem = PropertyName(property) + " is \"" + digits.substr(0, 40) +
              "\", not a whole number from " + std::to_string(least) + " to " +
              std::to_string(MaxPanoramaSide);
    return false;
}

std::string Size(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// The sizes and offsets of the cropped area.
const Property Sizes[] = {FullPanoWidthPixels,         FullPanoHeightPixels,
                          CroppedAreaImageWidthPixels, CroppedAreaImageHeightPixels,
                          CroppedAreaLeftPixels,       CroppedAreaTopPixels};

// Where the picture lies: the coverage, projection and area of a verdict.
Verdict JudgeArea(const Properties& p, std::uint32_t pictureWidth, std::uint32_t pictureHeight)
{
    bool any = p.present[ProjectionType], anySize = false;
    for (const Property size : Sizes)
        anySize = anySize || p.present[size];
    any = any || anySize;
    if (!any)
        return Verdict();
    const std::string& projection = p.values[ProjectionType];
    const bool cylindrical = p.present[ProjectionType] && projection == "cylindrical";
    if (p.present[ProjectionType] && projection != "equirectangular" && !cylindrical)
        return Ignore(PropertyName(ProjectionType) + " is \"" + projection.substr(0, 40) +
                      "\"; only \"equirectangular\" and \"cylindrical\" are placed");

    CroppedArea a;
    if (!anySize) {
        // An equirectangular picture that says nothing of a crop covers the
        // sphere; a cylindrical one is a whole cylinder.
        if (!cylindrical)
            return Verdict();
        a.fullWidth = a.width = pictureWidth;
        a.fullHeight = a.height = pictureHeight;
    } else {
        if (!p.present[ProjectionType])
            return Ignore(PropertyName(ProjectionType) + " is missing");
        for (const Property size : Sizes)
            if (!p.present[size])
                return Ignore(PropertyName(size) + " is missing");
        std::string problem;
        if (!ReadCount(p, FullPanoWidthPixels, 1, a.fullWidth, problem) ||
            !ReadCount(p, FullPanoHeightPixels, 1, a.fullHeight, problem) ||
            !ReadCount(p, CroppedAreaImageWidthPixels, 1, a.width, problem) ||
            !ReadCount(p, CroppedAreaImageHeightPixels, 1, a.height, problem) ||
            !ReadCount(p, CroppedAreaLeftPixels, 0, a.left, problem) ||
            !ReadCount(p, CroppedAreaTopPixels, 0, a.top, problem))
            return Ignore(problem);
    }
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
    if (cylindrical) {
        const double degrees = CylinderReachDegrees(a);
        if (degrees > MaxCylinderElevation) {
            char reach[16];
            std::snprintf(reach, sizeof reach, "%.1f", degrees);
            return Ignore(std::string("the cylindrical cropped area reaches ") + reach +
                          " degrees from the horizon; a cylinder is shown to " +
                          std::to_string(int(MaxCylinderElevation)) + " degrees");
        }
    } else if (a.width == a.fullWidth && a.height == a.fullHeight) {
        return Verdict();
    }
    Verdict verdict;
    verdict.coverage = Coverage::Partial;
    verdict.projection = cylindrical ? Projection::Cylindrical : Projection::Equirectangular;
    verdict.area = a;
    return verdict;
}

// A number of degrees, with blanks around it allowed: an optional sign,
// digits and a fraction.
bool ReadDegrees(const Properties& properties, Property property, double& degrees,
                 std::string& problem)
{
    const std::string& text = properties.values[property];
    const std::string number = Trimmed(text);
    std::size_t digits = 0, at = number.empty() || (number[0] != '-' && number[0] != '+') ? 0 : 1;
    bool point = false, valid = at < number.size() && number.size() <= 40;
    for (; valid && at < number.size(); ++at) {
        if (number[at] == '.' && !point)
            point = true;
        else if (number[at] >= '0' && number[at] <= '9')
            ++digits;
        else
            valid = false;
    }
    if (valid && digits > 0) {
        degrees = std::strtod(number.c_str(), nullptr);
        if (std::isfinite(degrees) && std::fabs(degrees) < 1e9)
            return true;
    }
    problem =
        PropertyName(property) + " is \"" + text.substr(0, 40) + "\", not a number of degrees";
    return false;
}

// The opening view: the initial view's heading less the pose heading (0
// when the pose is not given), into [0, 360).
void JudgeView(const Properties& p, Verdict& verdict)
{
    if (!p.present[InitialViewHeadingDegrees])
        return;
    double initial = 0, pose = 0;
    std::string problem;
    if (!ReadDegrees(p, InitialViewHeadingDegrees, initial, problem) ||
        (p.present[PoseHeadingDegrees] && !ReadDegrees(p, PoseHeadingDegrees, pose, problem))) {
        verdict.viewProblem = problem;
        return;
    }
    verdict.viewChosen = true;
    verdict.viewTurn = WrapDegrees(initial - pose);
}

} // namespace

double WrapDegrees(double degrees)
{
    const double wrapped = std::fmod(degrees, 360.0);
    // A tiny negative angle wraps to 360 itself.
    const double positive = wrapped < 0 ? wrapped + 360 : wrapped;
    return positive >= 360 ? 0 : positive;
}

Verdict JudgeProperties(const Properties& p, std::uint32_t pictureWidth,
                        std::uint32_t pictureHeight)
{
    Verdict verdict = JudgeArea(p, pictureWidth, pictureHeight);
    JudgeView(p, verdict);
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
