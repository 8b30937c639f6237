#include "media.h"
#include "null_viewer.h"
#include "viewer.h"

#include <filesystem>

using namespace irr;
namespace fs = std::filesystem;

namespace {

// A mesh of three faces, each with a material of its own that names a texture
// of its own.
const char* const threeMaterialMesh = R"(xof 0303txt 0032
Mesh parts {
 4;
 -1.0;-1.0;5.0;,
 1.0;-1.0;5.0;,
 1.0;1.0;5.0;,
 -1.0;1.0;5.0;;
 3;
 3;0,3,2;,
 3;0,2,1;,
 3;1,2,3;;
 MeshTextureCoords {
  4;
  0.0;1.0;,
  1.0;1.0;,
  1.0;0.0;,
  0.0;0.0;;
 }
 MeshMaterialList {
  3;
  3;
  0,
  1,
  2;;
  Material {
   1.0;0.0;0.0;1.0;;
   0.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
   TextureFilename {
    "own.bmp";
   }
  }
  Material {
   0.0;1.0;0.0;1.0;;
   0.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
   TextureFilename {
    "own.bmp";
   }
  }
  Material {
   0.0;0.0;1.0;1.0;;
   0.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
  }
 }
}
)";

class World : public NullViewer
{
protected:
    // The FPS animator the camera was created with.
    scene::ISceneNodeAnimatorCameraFPS* fpsAnimator() const
    {
        const core::list<scene::ISceneNodeAnimator*>& animators = camera->getAnimators();
        if (animators.size() != 1 || (*animators.begin())->getType() != scene::ESNAT_CAMERA_FPS)
            return nullptr;
        return static_cast<scene::ISceneNodeAnimatorCameraFPS*>(*animators.begin());
    }

    // Every material of the panorama node is unlit, with normalised normals,
    // Gouraud shading and `texture` in layer 0.
    void expectPanoramaMaterials(video::ITexture* texture) const
    {
        ASSERT_NE(node[0], nullptr);
        for (u32 i = 0; i < node[0]->getMaterialCount(); ++i) {
            const video::SMaterial& material = node[0]->getMaterial(i);
            EXPECT_FALSE(material.Lighting) << "material " << i;
            EXPECT_TRUE(material.NormalizeNormals) << "material " << i;
            EXPECT_TRUE(material.GouraudShading) << "material " << i;
            EXPECT_EQ(material.getTexture(0), texture) << "material " << i;
            // Faces turned away from the camera stay hidden, as loaded.
            EXPECT_TRUE(material.BackfaceCulling) << "material " << i;
        }
    }
};

TEST_F(World, KeymapMapsWSADToMovement)
{
    CreateKeymap();
    EXPECT_EQ(keyMap[0].Action, EKA_MOVE_FORWARD);
    EXPECT_EQ(keyMap[0].KeyCode, KEY_KEY_W);
    EXPECT_EQ(keyMap[1].Action, EKA_MOVE_BACKWARD);
    EXPECT_EQ(keyMap[1].KeyCode, KEY_KEY_S);
    EXPECT_EQ(keyMap[2].Action, EKA_STRAFE_LEFT);
    EXPECT_EQ(keyMap[2].KeyCode, KEY_KEY_A);
    EXPECT_EQ(keyMap[3].Action, EKA_STRAFE_RIGHT);
    EXPECT_EQ(keyMap[3].KeyCode, KEY_KEY_D);
}

TEST_F(World, CameraStandsStillAtTheOriginAndOnlyTurns)
{
    copyPanoramaMesh();
    CreateKeymap();
    ASSERT_TRUE(CreateWorld());

    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(smgr->getActiveCamera(), camera);
    EXPECT_EQ(camera->getParent(), smgr->getRootSceneNode());
    EXPECT_EQ(camera->getPosition(), core::vector3df(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(camera->getFarValue(), 1000.0f);
    EXPECT_EQ(camera->getNearValue(), 0.01f);
    EXPECT_EQ(camera->getFOV(), 0.9250245f);

    scene::ISceneNodeAnimatorCameraFPS* fps = fpsAnimator();
    ASSERT_NE(fps, nullptr);
    EXPECT_EQ(fps->getRotateSpeed(), 100.0f);
    EXPECT_EQ(fps->getMoveSpeed(), 0.0f);
    const core::array<SKeyMap>& keys = fps->getKeyMap();
    ASSERT_EQ(keys.size(), 4u);
    for (u32 i = 0; i < 4; ++i) {
        EXPECT_EQ(keys[i].Action, keyMap[i].Action);
        EXPECT_EQ(keys[i].KeyCode, keyMap[i].KeyCode);
    }
}

TEST_F(World, PanoramaFillsSlotZeroAndShowsTheImageUnlit)
{
    copyPanoramaMesh();
    cylinder = driver->addTexture(core::dimension2d<u32>(8, 4), "panorama");
    ASSERT_NE(cylinder, nullptr);
    CreateKeymap();
    ASSERT_TRUE(CreateWorld());

    ASSERT_NE(mesh[0], nullptr);
    ASSERT_NE(node[0], nullptr);
    EXPECT_EQ(node[0]->getType(), scene::ESNT_ANIMATED_MESH);
    EXPECT_EQ(static_cast<scene::IAnimatedMeshSceneNode*>(node[0])->getMesh(), mesh[0]);
    EXPECT_EQ(node[0]->getParent(), smgr->getRootSceneNode());
    EXPECT_EQ(node[0]->getPosition(), core::vector3df(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(node[0]->getRotation(), core::vector3df(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(node[0]->getScale(), core::vector3df(1.0f, 1.0f, 1.0f));
    EXPECT_GE(node[0]->getMaterialCount(), 1u);
    expectPanoramaMaterials(cylinder);

    // The surface lies between the near and the far plane all round.
    const core::aabbox3df box = mesh[0]->getBoundingBox();
    for (const f32 extent : {box.MinEdge.X, box.MinEdge.Y, box.MinEdge.Z, box.MaxEdge.X,
                             box.MaxEdge.Y, box.MaxEdge.Z}) {
        EXPECT_GT(std::fabs(extent), 0.01f);
        EXPECT_LT(std::fabs(extent), 1000.0f / std::sqrt(3.0f));
    }
}

// An image that could not be loaded leaves the surface untextured.
TEST_F(World, NullTextureLeavesTheSurfaceUntextured)
{
    copyPanoramaMesh();
    CreateKeymap();
    ASSERT_TRUE(CreateWorld());
    expectPanoramaMaterials(nullptr);
}

TEST_F(World, EveryMaterialOfTheMeshGetsTheImage)
{
    fs::create_directories(workdir + "/media");
    video::IImage* image = driver->createImage(video::ECF_R8G8B8, core::dimension2d<u32>(2, 2));
    image->fill(video::SColor(255, 200, 10, 10));
    ASSERT_TRUE(driver->writeImageToFile(image, "media/own.bmp"));
    image->drop();
    writeFile("media/360.x", threeMaterialMesh);

    // As loaded, the mesh has three materials, two with a texture of their own.
    scene::IAnimatedMesh* parts = smgr->getMesh("media/360.x");
    ASSERT_NE(parts, nullptr);
    ASSERT_EQ(parts->getMeshBufferCount(), 3u);
    EXPECT_NE(parts->getMeshBuffer(0)->getMaterial().getTexture(0), nullptr);
    EXPECT_TRUE(parts->getMeshBuffer(0)->getMaterial().Lighting);

    cylinder = driver->addTexture(core::dimension2d<u32>(8, 4), "panorama");
    CreateKeymap();
    ASSERT_TRUE(CreateWorld());
    EXPECT_EQ(mesh[0], parts);
    ASSERT_EQ(node[0]->getMaterialCount(), 3u);
    expectPanoramaMaterials(cylinder);
    for (u32 i = 0; i < 3; ++i)
        for (u32 layer = 1; layer < video::MATERIAL_MAX_TEXTURES; ++layer)
            EXPECT_EQ(node[0]->getMaterial(i).getTexture(layer), nullptr);
}

// The engine gives a mesh file without a material list a material of its own.
TEST_F(World, MeshWithoutMaterialListShowsTheImage)
{
    writeFile("media/360.x", "xof 0303txt 0032\nMesh bare {\n 3;\n 0.0;0.0;1.0;,\n 1.0;0.0;1.0;,\n"
                             " 0.0;1.0;1.0;;\n 1;\n 3;0,2,1;;\n}\n");
    cylinder = driver->addTexture(core::dimension2d<u32>(8, 4), "panorama");
    CreateKeymap();
    ASSERT_TRUE(CreateWorld());
    EXPECT_GE(node[0]->getMaterialCount(), 1u);
    expectPanoramaMaterials(cylinder);
}

TEST_F(World, MissingMeshIsReportedAndNoPanoramaIsMade)
{
    if (fs::exists(fs::path(SKYGLASS_INSTALLED_DATA_DIR) / PanoramaMeshName))
        GTEST_SKIP() << "an installed panorama mesh would be found";
    CreateKeymap();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateWorld());
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("\"media/360.x\""), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
    EXPECT_EQ(mesh[0], nullptr);
    EXPECT_EQ(node[0], nullptr);
    EXPECT_NE(camera, nullptr);
}

// A file that is there but is no mesh counts as missing.
TEST_F(World, UnreadableMeshIsReported)
{
    if (fs::exists(fs::path(SKYGLASS_INSTALLED_DATA_DIR) / PanoramaMeshName))
        GTEST_SKIP() << "an installed panorama mesh would be found";
    writeFile("media/360.x", "this is no mesh");
    CreateKeymap();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateWorld());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("media/360.x"), std::string::npos);
    EXPECT_EQ(node[0], nullptr);
}

TEST_F(World, MediaIsSearchedInWorkingFolderThenBesideProgramThenInstalled)
{
    const core::array<io::path> folders = MediaSearchFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], io::path(""));
    const std::string beside = fs::read_symlink("/proc/self/exe").parent_path().string() + "/";
    EXPECT_EQ(std::string(folders[1].c_str()), beside);
    EXPECT_EQ(folders[2], io::path(SKYGLASS_INSTALLED_DATA_DIR));
}

TEST_F(World, AlignCameraKeepsOnlyTheHeading)
{
    CreateKeymap();
    camera = smgr->addCameraSceneNodeFPS(0, 100.0f, 0.0f, -1, keyMap, 4);
    camera->setPosition(core::vector3df(1.0f, 2.0f, 3.0f));
    camera->setRotation(core::vector3df(30.0f, 45.0f, -10.0f));
    AlignCamera();
    EXPECT_EQ(camera->getRotation(), core::vector3df(0.0f, 45.0f, 0.0f));
    EXPECT_EQ(camera->getPosition(), core::vector3df(1.0f, 2.0f, 3.0f));

    camera->setRotation(core::vector3df(-80.0f, 359.5f, 0.0f));
    AlignCamera();
    EXPECT_EQ(camera->getRotation(), core::vector3df(0.0f, 359.5f, 0.0f));
}

} // namespace
