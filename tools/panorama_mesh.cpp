#include "panorama_mesh.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace panomesh {
namespace {

constexpr double pi = 3.14159265358979323846;

// Heading in radians of column j of n: column 0 (u = 0) is straight behind,
// the middle column (u = 0.5) straight ahead. The last column is the first
// one again, computed from the same angle so the seam vertices coincide.
double columnHeading(unsigned j, unsigned n)
{
    return 2.0 * pi * double(j % n) / double(n) - pi;
}

Vertex makeVertex(double x, double y, double z, double nx, double ny, double nz, double u, double v)
{
    return Vertex{float(x),  float(y),  float(z), float(nx),
                  float(ny), float(nz), float(u), float(v)};
}

// Adds the triangle so that it is clockwise seen from the origin, which is
// the engine's front side: its normal (b - a) x (c - a) must point at the origin.
void addTriangle(Mesh& mesh, std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    const Vertex& p = mesh.vertices[a];
    const Vertex& q = mesh.vertices[b];
    const Vertex& r = mesh.vertices[c];
    const double ex = q.x - p.x, ey = q.y - p.y, ez = q.z - p.z;
    const double fx = r.x - p.x, fy = r.y - p.y, fz = r.z - p.z;
    const double nx = ey * fz - ez * fy, ny = ez * fx - ex * fz, nz = ex * fy - ey * fx;
    const double cx = p.x + q.x + r.x, cy = p.y + q.y + r.y, cz = p.z + q.z + r.z;
    if (nx * cx + ny * cy + nz * cz > 0.0)
        mesh.triangles.push_back({a, c, b});
    else
        mesh.triangles.push_back({a, b, c});
}

// Quads between two rows of n + 1 vertices each (top row starting at `top`).
void addBand(Mesh& mesh, std::uint32_t top, std::uint32_t bottom, unsigned n)
{
    for (unsigned j = 0; j < n; ++j) {
        addTriangle(mesh, top + j, top + j + 1, bottom + j + 1);
        addTriangle(mesh, top + j, bottom + j + 1, bottom + j);
    }
}

// A fan from one centre point (n vertices, one per column, at `centre`) to a
// row of n + 1 vertices at `row`.
void addFan(Mesh& mesh, std::uint32_t centre, std::uint32_t row, unsigned n)
{
    for (unsigned j = 0; j < n; ++j)
        addTriangle(mesh, centre + j, row + j + 1, row + j);
}

std::uint32_t count(const Mesh& mesh)
{
    return std::uint32_t(mesh.vertices.size());
}

} // namespace

Mesh makeSphere(float radius, unsigned segments, unsigned rings)
{
    Mesh mesh;
    if (segments < 3 || rings < 2)
        return mesh;
    const double r = radius;
    const unsigned n = segments;

    // Pole fans: every column has its own pole vertex, at the column's centre in u.
    auto addPole = [&](double y, double v) {
        const std::uint32_t first = count(mesh);
        for (unsigned j = 0; j < n; ++j)
            mesh.vertices.push_back(
                makeVertex(0.0, y, 0.0, 0.0, y > 0 ? -1.0 : 1.0, 0.0, (j + 0.5) / n, v));
        return first;
    };

    const std::uint32_t north = addPole(r, 0.0);
    std::vector<std::uint32_t> rowStart;
    for (unsigned i = 1; i < rings; ++i) {
        const double v = double(i) / rings;
        const double elevation = pi / 2.0 - pi * v;
        const double ce = std::cos(elevation), se = std::sin(elevation);
        rowStart.push_back(count(mesh));
        for (unsigned j = 0; j <= n; ++j) {
            const double h = columnHeading(j, n);
            const double dx = ce * std::sin(h), dy = se, dz = ce * std::cos(h);
            mesh.vertices.push_back(
                makeVertex(r * dx, r * dy, r * dz, -dx, -dy, -dz, double(j) / n, v));
        }
    }
    const std::uint32_t south = addPole(-r, 1.0);

    addFan(mesh, north, rowStart.front(), n);
    for (std::size_t i = 0; i + 1 < rowStart.size(); ++i)
        addBand(mesh, rowStart[i], rowStart[i + 1], n);
    // The south fan runs the other way round: the centre lies below the row.
    for (unsigned j = 0; j < n; ++j)
        addTriangle(mesh, rowStart.back() + j, rowStart.back() + j + 1, south + j);
    return mesh;
}

float cylinderRadius(float aspect, float preferred, float maxDistance)
{
    // Farthest point: a rim, at sqrt(r^2 + (pi r / aspect)^2).
    const double halfHeightPerRadius = pi / aspect;
    const double limit = maxDistance / std::sqrt(1.0 + halfHeightPerRadius * halfHeightPerRadius);
    return float(std::fmin(double(preferred), limit));
}

Mesh makeCylinder(float aspect, float radius, unsigned segments, bool caps)
{
    Mesh mesh;
    if (segments < 3 || !(aspect > 0.0f) || !std::isfinite(aspect))
        return mesh;
    const double r = radius;
    const unsigned n = segments;
    const double height = 2.0 * pi * r / aspect;
    const double top = height / 2.0;

    // Rows about as far apart as the columns, so that renderers without
    // perspective-correct texturing still draw nearly square cells; vertical
    // lines are straight on the wall whatever the row count.
    const std::size_t capVertices = caps ? 2 * (2 * std::size_t(n) + 1) : 0;
    const std::size_t maxRows = (maxVertices - capVertices) / (n + 1) - 1;
    std::size_t rows = std::size_t(std::lround(n / double(aspect)));
    rows = std::max<std::size_t>(1, std::min(rows, std::min<std::size_t>(maxRows, 256)));

    std::vector<std::uint32_t> rowStart;
    for (std::size_t i = 0; i <= rows; ++i) {
        const double v = double(i) / double(rows);
        rowStart.push_back(count(mesh));
        for (unsigned j = 0; j <= n; ++j) {
            const double h = columnHeading(j, n);
            const double dx = std::sin(h), dz = std::cos(h);
            mesh.vertices.push_back(
                makeVertex(r * dx, top - height * v, r * dz, -dx, 0.0, -dz, double(j) / n, v));
        }
    }
    for (std::size_t i = 0; i < rows; ++i)
        addBand(mesh, rowStart[i], rowStart[i + 1], n);

    if (caps) {
        // Each cap repeats the image's edge row along spokes to the centre.
        // The rows are sampled just inside the image so that texture filtering
        // does not blend in the opposite edge.
        const double inset = 1e-3;
        for (int side = 0; side < 2; ++side) {
            const double y = side == 0 ? top : -top;
            const double v = side == 0 ? inset : 1.0 - inset;
            const double ny = side == 0 ? -1.0 : 1.0;
            const std::uint32_t centre = count(mesh);
            for (unsigned j = 0; j < n; ++j)
                mesh.vertices.push_back(makeVertex(0.0, y, 0.0, 0.0, ny, 0.0, (j + 0.5) / n, v));
            const std::uint32_t rim = count(mesh);
            for (unsigned j = 0; j <= n; ++j) {
                const double h = columnHeading(j, n);
                mesh.vertices.push_back(makeVertex(r * std::sin(h), y, r * std::cos(h), 0.0, ny,
                                                   0.0, double(j) / n, v));
            }
            addFan(mesh, centre, rim, n);
        }
    }
    return mesh;
}

bool writeDirectX(const Mesh& mesh, const std::string& path, std::string& error)
{
    if (mesh.vertices.empty() || mesh.vertices.size() > maxVertices) {
        error = "the mesh has " + std::to_string(mesh.vertices.size()) +
                " vertices; one mesh buffer takes 1 to " + std::to_string(maxVertices);
        return false;
    }

    std::string text;
    text.reserve(mesh.vertices.size() * 90 + mesh.triangles.size() * 50 + 1024);
    char line[160];
    auto put = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        text += line;
    };
    auto separator = [](std::size_t i, std::size_t n) { return i + 1 < n ? ",\n" : ";\n"; };

    const std::size_t nv = mesh.vertices.size();
    const std::size_t nt = mesh.triangles.size();
    // One vector a vertex, then the faces: the mesh's positions and its normals.
    auto putVectorsAndFaces = [&](const char* format, float Vertex::*x, float Vertex::*y,
                                  float Vertex::*z) {
        put(" %zu;\n", nv);
        for (std::size_t i = 0; i < nv; ++i) {
            const Vertex& p = mesh.vertices[i];
            put(format, p.*x, p.*y, p.*z, separator(i, nv));
        }
        put(" %zu;\n", nt);
        for (std::size_t i = 0; i < nt; ++i) {
            const Triangle& t = mesh.triangles[i];
            put(" 3;%u,%u,%u;%s", unsigned(t.a), unsigned(t.b), unsigned(t.c), separator(i, nt));
        }
    };
    text += "xof 0303txt 0032\n\n";
    text += "Mesh panorama {\n";
    putVectorsAndFaces(" %.5f;%.5f;%.5f;%s", &Vertex::x, &Vertex::y, &Vertex::z);

    // One white material for every face (the compact form: one index that
    // all faces share).
    text += " MeshMaterialList {\n  1;\n  1;\n  0;;\n"
            "  Material {\n"
            "   1.000000;1.000000;1.000000;1.000000;;\n"
            "   0.000000;\n"
            "   0.000000;0.000000;0.000000;;\n"
            "   0.000000;0.000000;0.000000;;\n"
            "  }\n }\n";

    text += " MeshNormals {\n";
    putVectorsAndFaces(" %.4f;%.4f;%.4f;%s", &Vertex::nx, &Vertex::ny, &Vertex::nz);
    text += " }\n";

    text += " MeshTextureCoords {\n";
    put(" %zu;\n", nv);
    for (std::size_t i = 0; i < nv; ++i) {
        const Vertex& p = mesh.vertices[i];
        put(" %.6f;%.6f;%s", p.u, p.v, separator(i, nv));
    }
    text += " }\n}\n";

    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int savedErrno = errno;
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write " + temporary + ": " + std::strerror(written ? errno : savedErrno);
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace panomesh
