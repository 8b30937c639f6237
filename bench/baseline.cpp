// The benchmark's baseline: the engine calls a panorama viewer makes, and
// nothing else. A 1280 x 720 OpenGL window without vertical sync, the image
// as a texture on "media/360.x" seen by an FPS camera, drawn until the window
// closes. Usage: skyglass-bench-baseline IMAGE [WIDTH HEIGHT]
#include <irrlicht.h>

#include <cstdlib>

using namespace irr;

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4)
        return 1;
    const u32 width = argc == 4 ? u32(std::atoi(argv[2])) : 1280;
    const u32 height = argc == 4 ? u32(std::atoi(argv[3])) : 720;

    IrrlichtDevice* device = createDevice(video::EDT_OPENGL, core::dimension2du(width, height), 32,
                                          false, false, false, nullptr);
    if (!device)
        return 1;
    video::IVideoDriver* driver = device->getVideoDriver();
    scene::ISceneManager* smgr = device->getSceneManager();
    gui::IGUIEnvironment* guienv = device->getGUIEnvironment();
    device->getCursorControl()->setVisible(false);

    SKeyMap keyMap[4];
    keyMap[0].Action = EKA_MOVE_FORWARD;
    keyMap[0].KeyCode = KEY_KEY_W;
    keyMap[1].Action = EKA_MOVE_BACKWARD;
    keyMap[1].KeyCode = KEY_KEY_S;
    keyMap[2].Action = EKA_STRAFE_LEFT;
    keyMap[2].KeyCode = KEY_KEY_A;
    keyMap[3].Action = EKA_STRAFE_RIGHT;
    keyMap[3].KeyCode = KEY_KEY_D;

    video::ITexture* texture = driver->getTexture(argv[1]);

    scene::ICameraSceneNode* camera =
        smgr->addCameraSceneNodeFPS(nullptr, 100.0f, 0.0f, -1, keyMap, 4, false, 0.0f, false, true);
    camera->setFarValue(1000.0f);
    camera->setNearValue(0.01f);
    camera->setFOV(0.9250245f);

    scene::IAnimatedMesh* mesh = smgr->getMesh("media/360.x");
    scene::IAnimatedMeshSceneNode* node = smgr->addAnimatedMeshSceneNode(mesh);
    if (node) {
        node->setPosition(core::vector3df(0.0f, 0.0f, 0.0f));
        node->setScale(core::vector3df(1.0f, 1.0f, 1.0f));
        node->setMaterialFlag(video::EMF_LIGHTING, false);
        node->setMaterialFlag(video::EMF_NORMALIZE_NORMALS, true);
        node->setMaterialFlag(video::EMF_GOURAUD_SHADING, true);
        node->setMaterialTexture(0, texture);
    }

    while (device->run()) {
        driver->beginScene(true, true, video::SColor(255, 100, 101, 140));
        const core::vector3df rotation = camera->getRotation();
        camera->setRotation(core::vector3df(0.0f, rotation.Y, 0.0f));
        smgr->drawAll();
        guienv->drawAll();
        driver->endScene();
    }
    device->drop();
    return 0;
}
