// Panorama surfaces around the origin and a writer for the DirectX .x text
// format that Irrlicht's .x loader reads.
//
// Conventions (those of the engine): left-handed, Y up, the camera looks along
// +Z at rotation 0 and +X is to its right. A heading h (degrees, growing when
// the view turns right) looks along (sin h, 0, cos h). Texture coordinate u = 0.5
// lies at heading 0 and grows to the right; v = 0 is the top row of the image.
// Front faces are clockwise on screen, so every triangle is clockwise as seen
// from the origin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace panomesh {

struct Vertex
{
    float x, y, z;    // position
    float nx, ny, nz; // unit normal, pointing at the inside
    float u, v;       // texture coordinates
};

struct Triangle
{
    std::uint32_t a, b, c;
};

struct Mesh
{
    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;
};

// One mesh buffer of the engine holds 16-bit indices.
constexpr std::size_t maxVertices = 65535;

// Sphere of the given radius for equirectangular (2:1) images. `segments`
// columns around, `rings` rows from pole to pole. Each pole is a fan of its own
// vertices, one per column with u at the column's centre, so the texture does
// not swirl into a pinch there; the seam column is duplicated (u = 0 and u = 1).
Mesh makeSphere(float radius, unsigned segments, unsigned rings);

// Upright cylinder for cylindrical panoramas whose width is `aspect` times
// their height: the full image wraps once around, and the height is the
// circumference divided by `aspect`, centred on eye level, so the image is not
// stretched. With `caps`, discs close the top and bottom; they repeat the
// image's top and bottom rows towards the centre instead of showing the clear
// colour above and below the image.
Mesh makeCylinder(float aspect, float radius, unsigned segments, bool caps);

// Radius that keeps every point of a cylinder of this aspect within
// `maxDistance` of the origin (the camera's far plane is 1000), at most
// `preferred`.
float cylinderRadius(float aspect, float preferred, float maxDistance);

// Writes the mesh as a DirectX .x text file with one white material, texture
// coordinates and normals. The file is written under a temporary name and
// renamed, so a failed run never leaves a half-written mesh behind.
// Returns false and fills `error` on failure.
bool writeDirectX(const Mesh& mesh, const std::string& path, std::string& error);

} // namespace panomesh
