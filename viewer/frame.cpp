#include "viewer.h"

using namespace irr;

void DrawFrame()
{
    driver->beginScene(true, true, video::SColor(255, 100, 101, 140));

    // The FPS camera takes the mouse's turn while the scene animates. Animating
    // here, before the levelling, keeps that turn's pitch out of the frame
    // drawn now; the scene manager's own animation below then finds nothing new.
    smgr->getRootSceneNode()->OnAnimate(device->getTimer()->getTime());
    AlignCamera();

    smgr->drawAll();
    guienv->drawAll();
    driver->endScene();
}
