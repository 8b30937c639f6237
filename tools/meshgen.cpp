// skyglass-meshgen: writes the panorama surface the viewer loads as
// "media/360.x": an inward sphere for equirectangular images, or an inward
// cylinder for cylindrical panoramas of a given width/height ratio.
#include "panorama_mesh.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char usage[] =
    "Usage: skyglass-meshgen sphere OUT.x [--segments N] [--rings N] [--radius R]\n"
    "       skyglass-meshgen cylinder ASPECT OUT.x [--segments N] [--radius R] [--no-caps]\n"
    "Writes an inward-facing panorama mesh around the origin as a DirectX .x file.\n"
    "sphere: for equirectangular (2:1) images; default 192 segments, 96 rings, radius 100.\n"
    "cylinder: for cylindrical panoramas of width/height ratio ASPECT; the height is the\n"
    "  circumference divided by ASPECT; discs repeat the top and bottom rows unless --no-caps.\n";

bool parseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value == value;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "skyglass-meshgen: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string shape = argv[1];
    const bool sphere = shape == "sphere";
    if (!sphere && shape != "cylinder") {
        std::fputs(usage, stderr);
        return 2;
    }
    int next = 2;
    double aspect = 0.0;
    if (!sphere) {
        if (argc < 4 || !parseNumber(argv[2], aspect) || aspect < 0.1 || aspect > 100.0)
            return fail("ASPECT must be a number from 0.1 to 100 (image width / height)");
        next = 3;
    }
    const std::string out = argv[next++];

    double segments = 192, rings = 96, radius = 100;
    bool caps = true;
    for (; next < argc; ++next) {
        const std::string option = argv[next];
        double* target = option == "--segments" ? &segments
                         : option == "--rings"  ? &rings
                         : option == "--radius" ? &radius
                                                : nullptr;
        if (option == "--no-caps" && !sphere) {
            caps = false;
        } else if (target && next + 1 < argc && parseNumber(argv[next + 1], *target)) {
            ++next;
        } else {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (segments < 3 || segments > 4096 || segments != double(long(segments)))
        return fail("--segments must be a whole number from 3 to 4096");
    if (rings < 2 || rings > 4096 || rings != double(long(rings)))
        return fail("--rings must be a whole number from 2 to 4096");
    // The camera clips below 0.01 and beyond 1000 units.
    if (radius < 1.0 || radius > 900.0)
        return fail("--radius must lie from 1 to 900");

    // One mesh buffer of the engine takes at most 65535 vertices (16-bit indices).
    const double sphereVertices = 2 * segments + (rings - 1) * (segments + 1);
    if (sphere && sphereVertices > double(panomesh::maxVertices))
        return fail("segments x rings too fine: " + std::to_string(long(sphereVertices)) +
                    " vertices, one mesh buffer takes at most " +
                    std::to_string(panomesh::maxVertices));
    if (!sphere && segments > 2048)
        return fail("--segments must be at most 2048 for a cylinder");

    const panomesh::Mesh mesh =
        sphere
            ? panomesh::makeSphere(float(radius), unsigned(segments), unsigned(rings))
            : panomesh::makeCylinder(float(aspect),
                                     panomesh::cylinderRadius(float(aspect), float(radius), 900.0f),
                                     unsigned(segments), caps);
    std::string error;
    if (!panomesh::writeDirectX(mesh, out, error))
        return fail(error);
    return 0;
}
