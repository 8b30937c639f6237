#include "vesper.h"

#include <cassert>

using namespace irr;

scene::ICameraSceneNode* camera;
core::vector3df campos(0.0f, 0.0f, 0.0f);
core::vector3df camrot(0.0f, 0.0f, 0.0f);
f32 sincamrotx, coscamrotx;
f32 sincamroty, coscamroty;
core::vector3df step;

namespace {
scene::ICameraSceneNode* theCamera()
{
    assert(camera != nullptr);
    return camera;
}
} // namespace

void vpPositionCamera(f32 x, f32 y, f32 z)
{
    theCamera()->setPosition(core::vector3df(x, y, z));
}

f32 vpCameraPositionX()
{
    return theCamera()->getPosition().X;
}

f32 vpCameraPositionY()
{
    return theCamera()->getPosition().Y;
}

f32 vpCameraPositionZ()
{
    return theCamera()->getPosition().Z;
}

void vpRotateCamera(f32 x, f32 y, f32 z)
{
    theCamera()->setRotation(core::vector3df(x, y, z));
}

f32 vpCameraRotationX()
{
    return theCamera()->getRotation().X;
}

f32 vpCameraRotationY()
{
    return theCamera()->getRotation().Y;
}

f32 vpCameraRotationZ()
{
    return theCamera()->getRotation().Z;
}

// Measured from campos each time, so repeated moves do not add up.
void vpMoveCamera(f32 d)
{
    step.X = sincamroty * d * coscamrotx;
    step.Y = -d * sincamrotx;
    step.Z = d * coscamroty * coscamrotx;
    theCamera()->setPosition(
        core::vector3df(campos.X + step.X, campos.Y + step.Y, campos.Z + step.Z));
}

// Along the horizontal heading only, at eye height 5 whatever campos.Y holds.
void vpWalkCamera(f32 d)
{
    theCamera()->setPosition(
        core::vector3df(campos.X + d * sincamroty, 5.0f, campos.Z + d * coscamroty));
}
