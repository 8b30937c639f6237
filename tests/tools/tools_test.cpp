// The generators as their users meet them: meshes loaded through the engine,
// the default settings file, the sample panorama and the benchmark's probe.
#include "sample_panorama.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace irr;

namespace {

constexpr double pi = 3.14159265358979323846;

std::string q(const std::string& path)
{
    return "'" + path + "'";
}

int run(const std::string& command)
{
    const int status = std::system((command + " 2>/dev/null").c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

IrrlichtDevice* nullDevice()
{
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_NULL;
    params.LoggingLevel = ELL_WARNING;
    return createDeviceEx(params);
}

struct Mesh
{
    std::vector<video::S3DVertex> vertices;
    std::vector<u32> indices;
};

// Writes a mesh with skyglass-meshgen and loads it with the engine's loader.
Mesh generate(const ScratchFolder& folder, const std::string& shape)
{
    const std::string out = folder.file("mesh.x");
    EXPECT_EQ(run(q(SKYGLASS_MESHGEN) + " " + shape + " " + q(out)), 0);
    Mesh m;
    IrrlichtDevice* device = nullDevice();
    scene::IAnimatedMesh* animated = device->getSceneManager()->getMesh(out.c_str());
    for (u32 b = 0; animated && b < animated->getMesh(0)->getMeshBufferCount(); ++b) {
        const scene::IMeshBuffer* buffer = animated->getMesh(0)->getMeshBuffer(b);
        EXPECT_EQ(buffer->getVertexType(), video::EVT_STANDARD);
        const auto* v = static_cast<const video::S3DVertex*>(buffer->getVertices());
        const u32 base = u32(m.vertices.size());
        m.vertices.insert(m.vertices.end(), v, v + buffer->getVertexCount());
        for (u32 i = 0; i < buffer->getIndexCount(); ++i)
            m.indices.push_back(base + buffer->getIndices()[i]);
    }
    device->drop();
    EXPECT_FALSE(m.indices.empty()) << "the engine did not load " << out;
    return m;
}

// Where an equirectangular image shows direction d: heading 0 (+Z) at
// u = 0.5, growing to the right (+X); the top (+Y) at v = 0.
double imageU(const core::vector3df& d)
{
    return 0.5 + std::atan2(d.X, d.Z) / (2 * pi);
}
double imageV(const core::vector3df& d)
{
    return 0.5 - std::asin(std::clamp(double(d.Y) / d.getLength(), -1.0, 1.0)) / pi;
}

// Seen from the camera at the origin, every triangle lies on the sphere, is a
// front face (clockwise) and shows the part of the image in its direction,
// neither mirrored nor upside down; a triangle wrapping across the seam (u
// from 0.99 back to 0.01) fails this too.
TEST(MeshTest, SphereShowsTheImageAroundTheOrigin)
{
    const ScratchFolder folder;
    const Mesh m = generate(folder, "sphere");
    for (const video::S3DVertex& v : m.vertices)
        ASSERT_NEAR(v.Pos.getLength(), 100.0f, 1e-3f);
    for (std::size_t t = 0; t + 2 < m.indices.size(); t += 3) {
        const video::S3DVertex* c[] = {&m.vertices[m.indices[t]], &m.vertices[m.indices[t + 1]],
                                       &m.vertices[m.indices[t + 2]]};
        const core::triangle3df tri(c[0]->Pos, c[1]->Pos, c[2]->Pos);
        const core::vector3df centre = (tri.pointA + tri.pointB + tri.pointC) / 3.0f;
        ASSERT_TRUE(tri.getArea() > 0 && tri.isFrontFacing(centre)) << "triangle " << t / 3;
        const double u = (c[0]->TCoords.X + c[1]->TCoords.X + c[2]->TCoords.X) / 3;
        const double v = (c[0]->TCoords.Y + c[1]->TCoords.Y + c[2]->TCoords.Y) / 3;
        ASSERT_NEAR(u, imageU(centre), 0.2 / 192) << "triangle " << t / 3;
        ASSERT_NEAR(v, imageV(centre), 0.2 / 96) << "triangle " << t / 3;
    }

    // The seam column exists twice, at u = 0 and u = 1, at the same places.
    int seam = 0;
    for (const video::S3DVertex& a : m.vertices)
        if (a.TCoords.X == 0.0f) {
            ++seam;
            EXPECT_TRUE(std::any_of(m.vertices.begin(), m.vertices.end(),
                                    [&](const auto& b) {
                                        return b.TCoords.X == 1.0f && b.TCoords.Y == a.TCoords.Y &&
                                               b.Pos.equals(a.Pos);
                                    }))
                << "no u = 1 twin at v = " << a.TCoords.Y;
        }
    EXPECT_GE(seam, 90);
}

// An image three times as wide as high wraps once around a wall whose
// circumference is three times its height, centred on eye level.
TEST(MeshTest, CylinderKeepsTheAspectOfTheImage)
{
    const ScratchFolder folder;
    const Mesh m = generate(folder, "cylinder 3");
    float radius = 0, top = -1e9f, bottom = 1e9f;
    for (const video::S3DVertex& v : m.vertices) {
        radius = std::max(radius, std::hypot(v.Pos.X, v.Pos.Z));
        top = std::max(top, v.Pos.Y);
        bottom = std::min(bottom, v.Pos.Y);
    }
    EXPECT_NEAR(top, -bottom, 1e-3f);
    EXPECT_NEAR(2 * pi * radius / (top - bottom), 3.0, 1e-3);
}

// Exactly the nine default bytes, and never over a file already there: the
// user's settings or an empty file stay as they are.
TEST(DefaultConfig, WritesTheNineBytesOnlyWhereNoFileIs)
{
    const ScratchFolder folder;
    const std::string path = folder.file("config.cfg");
    ASSERT_EQ(run(q(SKYGLASS_DEFAULTCONFIG) + " " + q(path)), 0);
    EXPECT_EQ(folder.read("config.cfg"), std::string("\x05\x03\x20\x02\x58\x20\x00\x00\x00", 9));
    for (const std::string& kept :
         {std::string("\x02\x04\x00\x03\x00\x10\x01\x01\x01", 9), std::string()}) {
        folder.write("config.cfg", kept);
        EXPECT_EQ(run(q(SKYGLASS_DEFAULTCONFIG) + " " + q(path)), 0);
        EXPECT_EQ(folder.read("config.cfg"), kept);
    }
}

// North at the image's centre, east a quarter to the right, south on the
// seam: each post in its colour just below the horizon.
TEST(SamplePanorama, CompassPostsStandAtTheirHeadings)
{
    const u32 w = 1024, h = 512;
    IrrlichtDevice* device = nullDevice();
    video::IImage* image =
        device->getVideoDriver()->createImage(video::ECF_R8G8B8, core::dimension2du(w, h));
    samplepano::paint(*image);
    const std::pair<u32, video::SColor> posts[] = {{w / 2, samplepano::north},
                                                   {3 * w / 4, samplepano::east},
                                                   {0, samplepano::south},
                                                   {w - 1, samplepano::south},
                                                   {w / 4, samplepano::west}};
    for (const auto& [column, colour] : posts) {
        const video::SColor seen = image->getPixel(column, h / 2 + h / 60);
        EXPECT_LT(std::abs(int(seen.getRed()) - int(colour.getRed())) +
                      std::abs(int(seen.getGreen()) - int(colour.getGreen())) +
                      std::abs(int(seen.getBlue()) - int(colour.getBlue())),
                  30)
            << "column " << column;
    }
    image->drop();
    device->drop();
}

// Preloaded into a client that makes two heap allocations of its own a frame,
// the probe ends it after the frames asked for and counts just those two.
TEST(FrameProbe, RecordsFramesAndTheProgramsOwnAllocations)
{
    const ScratchFolder folder;
    const std::string record = folder.file("record.txt");
    ASSERT_EQ(run("env LD_PRELOAD=" + q(SKYGLASS_FRAME_PROBE) + " SKYGLASS_PROBE_OUT=" + q(record) +
                  " SKYGLASS_PROBE_FRAMES=20 " + q(SKYGLASS_PROBE_CLIENT)),
              0);
    std::ifstream in(record);
    std::string key;
    int rows = 0;
    while (in >> key) {
        long long time, cpu;
        unsigned long all, own;
        if (key == "frame" && in >> time >> all >> own >> cpu && rows++ > 0) {
            EXPECT_EQ(own, 2u) << "frame " << rows; // the first also holds the start-up
        }
    }
    EXPECT_EQ(rows, 20);
}

} // namespace
