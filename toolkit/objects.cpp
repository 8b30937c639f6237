#include "vesper.h"

#include <cassert>

using namespace irr;

scene::IAnimatedMesh* mesh[vpSlotCount];
scene::ISceneNode* node[vpSlotCount];

namespace {
scene::ISceneNode* filledSlot(u32 slot)
{
    assert(slot < vpSlotCount && node[slot] != nullptr);
    return node[slot];
}
} // namespace

void vpPositionObject(u32 slot, f32 x, f32 y, f32 z)
{
    filledSlot(slot)->setPosition(core::vector3df(x, y, z));
}

void vpRotateObject(u32 slot, f32 x, f32 y, f32 z)
{
    filledSlot(slot)->setRotation(core::vector3df(x, y, z));
}

void vpScaleObject(u32 slot, f32 x, f32 y, f32 z)
{
    filledSlot(slot)->setScale(core::vector3df(x, y, z));
}

f32 vpObjectPositionX(u32 slot)
{
    return filledSlot(slot)->getPosition().X;
}

f32 vpObjectPositionY(u32 slot)
{
    return filledSlot(slot)->getPosition().Y;
}

f32 vpObjectPositionZ(u32 slot)
{
    return filledSlot(slot)->getPosition().Z;
}

f32 vpObjectRotationX(u32 slot)
{
    return filledSlot(slot)->getRotation().X;
}

f32 vpObjectRotationY(u32 slot)
{
    return filledSlot(slot)->getRotation().Y;
}

f32 vpObjectRotationZ(u32 slot)
{
    return filledSlot(slot)->getRotation().Z;
}

void vpShowObject(u32 slot)
{
    filledSlot(slot)->setVisible(true);
}

void vpHideObject(u32 slot)
{
    filledSlot(slot)->setVisible(false);
}
