#include "null_viewer.h"

#include <fstream>

using namespace irr;

using World = NullViewer;

// A camera that only turns, and the mesh in slot 0 with every material unlit, with
// normalised normals, Gouraud shaded and the picture (or none) in layer 0: the
// panorama mesh with a picture, then without, then a mesh of two materials.
TEST_F(World, CameraTurnsAtTheCentreOfThePanoramaThatShowsThePicture)
{
    for (const u32 materials : {1u, 1u, 2u}) {
        if (materials == 2)
            std::ofstream("media/360.x")
                << "xof 0303txt 0032\nMesh m { 3; 0;0;1;, 1;0;1;, 0;1;1;;"
                   " 2; 3;0,2,1;, 3;0,1,2;; MeshMaterialList { 2; 2; 0, 1;;"
                   " Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }"
                   " Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
        smgr->clear();
        smgr->getMeshCache()->clear();
        cylinder = cylinder ? nullptr : driver->addTexture(core::dimension2d<u32>(8, 4), "image");
        ASSERT_TRUE(CreateWorld());
        ASSERT_EQ(smgr->getActiveCamera(), camera);
        EXPECT_EQ(camera->getPosition(), core::vector3df(0.0f, 0.0f, 0.0f));
        // The FPS animator first, the levelling after it.
        ASSERT_EQ(camera->getAnimators().size(), 2u);
        ASSERT_EQ((*camera->getAnimators().begin())->getType(), scene::ESNAT_CAMERA_FPS);
        const auto* fps =
            static_cast<scene::ISceneNodeAnimatorCameraFPS*>(*camera->getAnimators().begin());
        // Near and far plane, vertical field of view (53 degrees), turn and move speeds.
        EXPECT_EQ(std::vector<f32>({camera->getNearValue(), camera->getFarValue(), camera->getFOV(),
                                    fps->getRotateSpeed(), fps->getMoveSpeed()}),
                  std::vector<f32>({0.01f, 1000.0f, 0.9250245f, 100.0f, 0.0f}));
        EXPECT_EQ(static_cast<scene::IAnimatedMeshSceneNode*>(node[0])->getMesh(), mesh[0]);
        ASSERT_GE(node[0]->getMaterialCount(), materials);
        for (u32 i = 0; i < node[0]->getMaterialCount(); ++i) {
            const video::SMaterial& m = node[0]->getMaterial(i);
            EXPECT_EQ(m.getTexture(0), cylinder) << i;
            EXPECT_TRUE(!m.Lighting && m.NormalizeNormals && m.GouraudShading) << i;
        }
    }
}

// The fifth pass: every material of a partial panorama finds the picture
// through its texture matrix, and shows black (the border) beyond it along
// each axis it does not cover whole; any other picture keeps the engine's.
TEST_F(World, PartialPanoramaIsPlacedOnEveryMaterial)
{
    std::ofstream("media/360.x") << "xof 0303txt 0032\nMesh m { 3; 0;0;1;, 1;0;1;, 0;1;1;;"
                                    " 2; 3;0,2,1;, 3;0,1,2;; MeshMaterialList { 2; 2; 0, 1;;"
                                    " Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }"
                                    " Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
    for (const gpano::CroppedArea& area : {gpano::CroppedArea{8000, 4000, 2000, 4000, 0, 0},
                                           gpano::CroppedArea{8000, 4000, 8000, 1000, 0, 500},
                                           gpano::CroppedArea{8000, 4000, 8000, 4000, 0, 0}}) {
        placement = area.width < area.fullWidth || area.height < area.fullHeight
                        ? gpano::PlaceOnSphere(area)
                        : gpano::TexturePlacement();
        smgr->clear();
        smgr->getMeshCache()->clear();
        ASSERT_TRUE(CreateWorld());
        ASSERT_EQ(node[0]->getMaterialCount(), 2u);
        for (u32 i = 0; i < 2; ++i) {
            const video::SMaterial& m = node[0]->getMaterial(i);
            const f32* matrix = m.getTextureMatrix(0).pointer();
            EXPECT_EQ(std::vector<f32>({matrix[0], matrix[5], matrix[8], matrix[9]}),
                      std::vector<f32>({placement.scaleU, placement.scaleV, placement.offsetU,
                                        placement.offsetV}));
            const auto wrap = [](bool whole) {
                return whole ? video::ETC_REPEAT : video::ETC_CLAMP_TO_BORDER;
            };
            EXPECT_EQ(m.TextureLayer[0].TextureWrapU, wrap(placement.wholeWidth)) << i;
            EXPECT_EQ(m.TextureLayer[0].TextureWrapV, wrap(placement.wholeHeight)) << i;
        }
    }
    placement = gpano::TexturePlacement();
}

// The camera opens turned as the picture's metadata chose, level.
// On OpenGL the viewer's own material draws every material of the mesh, its
// texture filtered trilinearly; the other drivers keep the engine's solid
// material and its bilinear filter.
TEST_F(World, ViewersOwnMaterialDrawsThePanoramaTrilinearly)
{
    video::IMaterialRenderer* own = new video::IMaterialRenderer;
    const s32 type = driver->addMaterialRenderer(own, "own");
    own->drop();
    ASSERT_GE(type, 0);
    for (const s32 chosen : {type, -1}) {
        panoramamaterial = chosen;
        smgr->clear();
        smgr->getMeshCache()->clear();
        ASSERT_TRUE(CreateWorld());
        for (u32 i = 0; i < node[0]->getMaterialCount(); ++i) {
            const video::SMaterial& m = node[0]->getMaterial(i);
            EXPECT_EQ(m.MaterialType, chosen >= 0 ? chosen : video::EMT_SOLID) << i;
            EXPECT_EQ(m.TextureLayer[0].TrilinearFilter, chosen >= 0) << i;
            EXPECT_TRUE(m.TextureLayer[0].BilinearFilter) << i;
            EXPECT_EQ(m.TextureLayer[0].AnisotropicFilter, 0) << i;
        }
    }
    panoramamaterial = -1;
}

TEST_F(World, MissingMeshIsReportedInOneLineAndNoPanoramaIsMade)
{
    if (std::filesystem::exists(SKYGLASS_INSTALLED_DATA_DIR "media/360.x"))
        GTEST_SKIP() << "an installed panorama mesh would be found";
    std::filesystem::remove("media/360.x");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateWorld());
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("\"media/360.x\""), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
    EXPECT_EQ(node[0], nullptr);
}
