#include "media.h"
#include "viewer.h"

using namespace irr;

namespace {
// Runs after the FPS camera's own animator, in the same animation pass, so
// that the pitch a mouse move gives is taken away before the frame is drawn.
class CameraLeveller : public scene::ISceneNodeAnimator
{
public:
    void animateNode(scene::ISceneNode*, u32) override { AlignCamera(); }
    scene::ISceneNodeAnimator* createClone(scene::ISceneNode*, scene::ISceneManager*) override
    {
        return new CameraLeveller;
    }
};

// A partial panorama: the texture matrix finds the picture on its part of the
// sphere, and clamping to the texture's border leaves the rest black along
// each axis the picture does not cover whole. (The engine never sets a border
// colour, so it is OpenGL's own, transparent black, which the mesh's solid
// materials draw black.)
void PlacePictureOnSphere()
{
    core::matrix4 matrix;
    matrix.setTextureScale(placement.scaleU, placement.scaleV);
    matrix.setTextureTranslate(placement.offsetU, placement.offsetV);
    for (u32 i = 0; i < node[0]->getMaterialCount(); ++i) {
        video::SMaterial& material = node[0]->getMaterial(i);
        material.setTextureMatrix(0, matrix);
        if (!placement.wholeWidth)
            material.TextureLayer[0].TextureWrapU = video::ETC_CLAMP_TO_BORDER;
        if (!placement.wholeHeight)
            material.TextureLayer[0].TextureWrapV = video::ETC_CLAMP_TO_BORDER;
    }
}
} // namespace

void CreateKeymap()
{
    keyMap[0].Action = EKA_MOVE_FORWARD;
    keyMap[0].KeyCode = KEY_KEY_W;
    keyMap[1].Action = EKA_MOVE_BACKWARD;
    keyMap[1].KeyCode = KEY_KEY_S;
    keyMap[2].Action = EKA_STRAFE_LEFT;
    keyMap[2].KeyCode = KEY_KEY_A;
    keyMap[3].Action = EKA_STRAFE_RIGHT;
    keyMap[3].KeyCode = KEY_KEY_D;
}

bool CreateWorld()
{
    // A camera that stands at the origin and only turns: no move or jump speed.
    camera = smgr->addCameraSceneNodeFPS(0, 100.0f, 0.0f, -1, keyMap, 4, false, 0.0f, false, true);
    camera->setFarValue(1000.0f);
    camera->setNearValue(0.01f);
    camera->setFOV(0.9250245f); // 53 degrees, vertical
    // The view the picture opens with; the mouse turns on from there.
    camera->setRotation(core::vector3df(0.0f, heading, 0.0f));
    scene::ISceneNodeAnimator* leveller = new CameraLeveller;
    camera->addAnimator(leveller);
    leveller->drop();

    mesh[0] = LoadPanoramaMesh(smgr);
    if (!mesh[0])
        return false;
    node[0] = smgr->addAnimatedMeshSceneNode(mesh[0]);
    vpPositionObject(0, 0.0f, 0.0f, 0.0f);
    vpScaleObject(0, 1.0f, 1.0f, 1.0f);

    // The image shows as it is, unlit, on every material of the mesh.
    node[0]->setMaterialFlag(video::EMF_LIGHTING, false);
    node[0]->setMaterialFlag(video::EMF_NORMALIZE_NORMALS, true);
    node[0]->setMaterialFlag(video::EMF_GOURAUD_SHADING, true);
    node[0]->setMaterialTexture(0, cylinder);
    // On OpenGL the picture is the viewer's own texture, which its own
    // material draws in place of layer 0's, filtered trilinearly: measured
    // against an ideal projection of the picture (bench/filtering.cpp), that
    // comes closer than the bilinear filter's nearest mipmap, with fine
    // detail and without, in large windows and small; anisotropic filtering
    // came closer on smooth pictures only.
    if (panoramamaterial >= 0) {
        node[0]->setMaterialType(video::E_MATERIAL_TYPE(panoramamaterial));
        node[0]->setMaterialFlag(video::EMF_TRILINEAR_FILTER, true);
    }
    if (gpano::IsPartial(placement))
        PlacePictureOnSphere();
    return true;
}
