// The panorama meshes as the engine loads them: shape, texture mapping seen
// from the camera at the origin, winding, seam and limits of the format.
#include "tools_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace irr;
using toolstest::quoted;

namespace {

constexpr double pi = 3.14159265358979323846;

struct LoadedMesh
{
    std::vector<video::S3DVertex> vertices;
    std::vector<u32> indices;
    u32 bufferCount = 0;
    video::SMaterial material;
};

// Loads a .x file through the engine's own loader.
bool load(const std::string& path, LoadedMesh& out)
{
    IrrlichtDevice* device = toolstest::createNullDevice();
    if (!device)
        return false;
    scene::IAnimatedMesh* animated = device->getSceneManager()->getMesh(io::path(path.c_str()));
    bool ok = false;
    if (animated && animated->getMesh(0)) {
        scene::IMesh* mesh = animated->getMesh(0);
        out.bufferCount = mesh->getMeshBufferCount();
        for (u32 b = 0; b < out.bufferCount; ++b) {
            scene::IMeshBuffer* buffer = mesh->getMeshBuffer(b);
            if (buffer->getVertexType() != video::EVT_STANDARD)
                continue;
            const u32 base = u32(out.vertices.size());
            const auto* v = static_cast<const video::S3DVertex*>(buffer->getVertices());
            out.vertices.insert(out.vertices.end(), v, v + buffer->getVertexCount());
            for (u32 i = 0; i < buffer->getIndexCount(); ++i)
                out.indices.push_back(base + buffer->getIndices()[i]);
            out.material = buffer->getMaterial();
        }
        ok = true;
    }
    device->drop();
    return ok;
}

// Texture coordinates an equirectangular image needs in direction d: heading 0
// (+Z) at u = 0.5, growing to the right (+X), top (+Y) at v = 0.
double expectedU(const core::vector3df& d)
{
    return 0.5 + std::atan2(d.X, d.Z) / (2 * pi);
}
double expectedV(const core::vector3df& d)
{
    return 0.5 - std::asin(std::clamp(double(d.Y) / d.getLength(), -1.0, 1.0)) / pi;
}

double angleBetween(const core::vector3df& a, const core::vector3df& b)
{
    return std::acos(
        std::clamp(double(a.dotProduct(b)) / (a.getLength() * b.getLength()), -1.0, 1.0));
}

class MeshTest : public ::testing::Test
{
protected:
    LoadedMesh generate(const std::string& options = "")
    {
        const std::string out = scratch.file("mesh.x");
        EXPECT_EQ(toolstest::run(SKYGLASS_MESHGEN, "sphere " + quoted(out) + " " + options), 0)
            << options;
        LoadedMesh mesh;
        EXPECT_TRUE(load(out, mesh)) << "the engine did not load " << out;
        return mesh;
    }
    LoadedMesh generateCylinder(const std::string& aspect, const std::string& options = "")
    {
        const std::string out = scratch.file("cylinder.x");
        EXPECT_EQ(toolstest::run(SKYGLASS_MESHGEN,
                                 "cylinder " + aspect + " " + quoted(out) + " " + options),
                  0);
        LoadedMesh mesh;
        EXPECT_TRUE(load(out, mesh));
        return mesh;
    }

    toolstest::ScratchDir scratch;
};

// Every triangle, as the engine's culling sees it from the origin, must be a
// front face; returns the number that are not.
int trianglesFacingAway(const LoadedMesh& m)
{
    int away = 0;
    for (std::size_t t = 0; t + 2 < m.indices.size(); t += 3) {
        const core::triangle3df tri(m.vertices[m.indices[t]].Pos, m.vertices[m.indices[t + 1]].Pos,
                                    m.vertices[m.indices[t + 2]].Pos);
        const core::vector3df centre = (tri.pointA + tri.pointB + tri.pointC) / 3.0f;
        if (tri.getArea() <= 0.0f || !tri.isFrontFacing(centre))
            ++away;
    }
    return away;
}

TEST_F(MeshTest, SphereLoadsAsOneWhiteBufferWithinTheIndexLimit)
{
    const LoadedMesh m = generate();
    EXPECT_EQ(m.bufferCount, 1u);
    EXPECT_LE(m.vertices.size(), 65535u);
    ASSERT_EQ(m.indices.size() % 3, 0u);
    EXPECT_GT(m.indices.size(), 0u);
    for (u32 index : m.indices)
        ASSERT_LT(index, m.vertices.size());
    EXPECT_EQ(m.material.DiffuseColor, video::SColor(255, 255, 255, 255));
}

TEST_F(MeshTest, SphereVerticesLieOnTheRadiusBetweenTheClippingPlanes)
{
    const LoadedMesh m = generate();
    for (const video::S3DVertex& v : m.vertices)
        ASSERT_NEAR(v.Pos.getLength(), 100.0f, 1e-3f)
            << v.Pos.X << " " << v.Pos.Y << " " << v.Pos.Z;
    const LoadedMesh big = generate("--radius 500");
    for (const video::S3DVertex& v : big.vertices)
        ASSERT_NEAR(v.Pos.getLength(), 500.0f, 5e-3f);
}

// The image's centre straight ahead, its right half to the right (not
// mirrored), its top up, at every vertex away from the poles.
TEST_F(MeshTest, SphereMapsTheImageEquirectangularly)
{
    const LoadedMesh m = generate();
    int checked = 0;
    for (const video::S3DVertex& v : m.vertices) {
        ASSERT_GE(v.TCoords.X, 0.0f);
        ASSERT_LE(v.TCoords.X, 1.0f);
        ASSERT_GE(v.TCoords.Y, 0.0f);
        ASSERT_LE(v.TCoords.Y, 1.0f);
        EXPECT_NEAR(v.TCoords.Y, expectedV(v.Pos), 1e-5);
        if (std::hypot(v.Pos.X, v.Pos.Z) < 1e-3)
            continue; // a pole: every heading at once
        double du = v.TCoords.X - expectedU(v.Pos);
        du -= std::round(du); // the seam: u = 0 and u = 1 are the same heading
        EXPECT_NEAR(du, 0.0, 1e-5) << v.Pos.X << " " << v.Pos.Y << " " << v.Pos.Z;
        ++checked;
    }
    EXPECT_GT(checked, 1000);

    // The named directions themselves.
    auto nearest = [&](const core::vector3df& d) {
        const video::S3DVertex* best = &m.vertices[0];
        for (const video::S3DVertex& v : m.vertices)
            if (angleBetween(v.Pos, d) < angleBetween(best->Pos, d))
                best = &v;
        return *best;
    };
    EXPECT_NEAR(nearest({0, 0, 1}).TCoords.X, 0.5f, 1e-4f);  // ahead: the image centre
    EXPECT_NEAR(nearest({0, 0, 1}).TCoords.Y, 0.5f, 1e-4f);  // on the horizon
    EXPECT_NEAR(nearest({1, 0, 0}).TCoords.X, 0.75f, 1e-4f); // right: right of the centre
    EXPECT_NEAR(nearest({-1, 0, 0}).TCoords.X, 0.25f, 1e-4f);
    EXPECT_NEAR(nearest({0, 1, 0}).TCoords.Y, 0.0f, 1e-4f); // up: the top row
    EXPECT_NEAR(nearest({0, -1, 0}).TCoords.Y, 1.0f, 1e-4f);
}

// Inside each triangle the mapping must follow the direction too: this fails
// for triangles that wrap across the seam (u running from 0.99 back to 0.01)
// and for poles drawn as one vertex with a single u.
TEST_F(MeshTest, SphereTextureFollowsTheDirectionInsideEveryTriangle)
{
    const LoadedMesh m = generate("--segments 128 --rings 64");
    const double cellU = 1.0 / 128, cellV = 1.0 / 64;
    for (std::size_t t = 0; t < m.indices.size(); t += 3) {
        const video::S3DVertex& a = m.vertices[m.indices[t]];
        const video::S3DVertex& b = m.vertices[m.indices[t + 1]];
        const video::S3DVertex& c = m.vertices[m.indices[t + 2]];
        const core::vector3df centre = (a.Pos + b.Pos + c.Pos) / 3.0f;
        const double u = (a.TCoords.X + b.TCoords.X + c.TCoords.X) / 3.0;
        const double v = (a.TCoords.Y + b.TCoords.Y + c.TCoords.Y) / 3.0;
        ASSERT_NEAR(u, expectedU(centre), 0.2 * cellU) << "triangle " << t / 3;
        ASSERT_NEAR(v, expectedV(centre), 0.2 * cellV) << "triangle " << t / 3;
    }
}

TEST_F(MeshTest, SphereTrianglesFaceTheCameraAtTheOrigin)
{
    const LoadedMesh m = generate();
    EXPECT_EQ(trianglesFacingAway(m), 0);
}

// The seam column exists twice, with u = 0 and u = 1, at the same places.
TEST_F(MeshTest, SphereSeamVerticesAreDuplicated)
{
    const LoadedMesh m = generate();
    int left = 0, matched = 0;
    for (const video::S3DVertex& a : m.vertices) {
        if (a.TCoords.X != 0.0f)
            continue;
        ++left;
        for (const video::S3DVertex& b : m.vertices)
            if (b.TCoords.X == 1.0f && b.Pos.equals(a.Pos, 1e-4f) && b.TCoords.Y == a.TCoords.Y) {
                ++matched;
                break;
            }
    }
    EXPECT_GE(left, 60);
    EXPECT_EQ(matched, left);
}

// Cells of at most 2 x 2 degrees (diagonals up to 2.83): straight lines of the
// image stay straight to well under a pixel at 1920 x 1080.
TEST_F(MeshTest, SphereIsFinelyTessellated)
{
    const LoadedMesh m = generate();
    double widest = 0.0;
    for (std::size_t t = 0; t < m.indices.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            const core::vector3df& p = m.vertices[m.indices[t + k]].Pos;
            const core::vector3df& q = m.vertices[m.indices[t + (k + 1) % 3]].Pos;
            widest = std::max(widest, angleBetween(p, q));
        }
    EXPECT_LE(widest * 180 / pi, 2.83);
}

// A cylindrical panorama of width/height ratio 3 wraps once around on a wall
// whose circumference is three times its height, top row at the top.
TEST_F(MeshTest, CylinderKeepsTheAspectOfTheImage)
{
    const LoadedMesh m = generateCylinder("3");
    ASSERT_FALSE(m.vertices.empty());
    EXPECT_LE(m.vertices.size(), 65535u);
    float radius = 0, top = -1e9f, bottom = 1e9f;
    for (const video::S3DVertex& v : m.vertices) {
        radius = std::max(radius, std::hypot(v.Pos.X, v.Pos.Z));
        top = std::max(top, v.Pos.Y);
        bottom = std::min(bottom, v.Pos.Y);
    }
    EXPECT_NEAR(top, -bottom, 1e-3f); // eye level at the image's middle row
    EXPECT_NEAR(2 * pi * radius / (top - bottom), 3.0, 1e-3);

    int wall = 0;
    for (const video::S3DVertex& v : m.vertices) {
        if (std::hypot(v.Pos.X, v.Pos.Z) < radius - 1e-3f)
            continue; // a cap's inner vertex
        const bool rim = v.Pos.Y == top || v.Pos.Y == bottom;
        const double expectedV = (top - v.Pos.Y) / (top - bottom);
        if (!rim || std::fabs(v.TCoords.Y - expectedV) < 1e-5) {
            EXPECT_NEAR(v.TCoords.Y, expectedV, 1e-5);
            ++wall;
        }
        double du = v.TCoords.X - expectedU(v.Pos);
        du -= std::round(du);
        EXPECT_NEAR(du, 0.0, 1e-5);
    }
    EXPECT_GT(wall, 300);
    EXPECT_EQ(trianglesFacingAway(m), 0);
}

// Caps close the cylinder with the image's top and bottom rows; without them
// nothing lies inside the wall.
TEST_F(MeshTest, CylinderCapsRepeatTheEdgeRowsOrAreLeftOut)
{
    const LoadedMesh capped = generateCylinder("4");
    int inner = 0;
    for (const video::S3DVertex& v : capped.vertices)
        if (std::hypot(v.Pos.X, v.Pos.Z) < 1e-3f) {
            ++inner;
            EXPECT_NEAR(v.TCoords.Y, v.Pos.Y > 0 ? 0.0f : 1.0f, 0.002f);
        }
    EXPECT_GT(inner, 0);

    const LoadedMesh open = generateCylinder("4", "--no-caps");
    for (const video::S3DVertex& v : open.vertices)
        EXPECT_GT(std::hypot(v.Pos.X, v.Pos.Z), 50.0f);
    EXPECT_EQ(trianglesFacingAway(open), 0);
}

// A tall narrow image would give a cylinder taller than the far plane: the
// radius shrinks so that every point stays within it.
TEST_F(MeshTest, TallCylinderStaysInsideTheFarPlane)
{
    const LoadedMesh m = generateCylinder("0.2");
    ASSERT_FALSE(m.vertices.empty());
    for (const video::S3DVertex& v : m.vertices)
        ASSERT_LT(v.Pos.getLength(), 1000.0f);
}

TEST_F(MeshTest, BadArgumentsWriteNoFile)
{
    const std::string out = quoted(scratch.file("bad.x"));
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, ""), 0);
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, "cube " + out), 0);
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, "cylinder 0 " + out), 0);
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, "cylinder wide " + out), 0);
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, "sphere " + out + " --segments 2"), 0);
    // More vertices than one 16-bit mesh buffer takes.
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, "sphere " + out + " --segments 1024 --rings 128"),
              0);
    EXPECT_FALSE(toolstest::exists(scratch.file("bad.x")));
    EXPECT_NE(toolstest::run(SKYGLASS_MESHGEN, "sphere " + quoted(scratch.file("no/such/dir/m.x"))),
              0);
}

} // namespace
