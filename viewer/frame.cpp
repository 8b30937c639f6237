#include "viewer.h"

using namespace irr;

void AlignCamera()
{
    const core::vector3df rotation = camera->getRotation();
    camera->setRotation(core::vector3df(0.0f, rotation.Y, 0.0f));
}

void DrawFrame()
{
    driver->beginScene(true, true, video::SColor(255, 100, 101, 140));
    AlignCamera();
    smgr->drawAll();
    guienv->drawAll();
    driver->endScene();
}
