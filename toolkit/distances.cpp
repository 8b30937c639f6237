#include "vesper.h"

#include <cassert>
#include <cmath>

using namespace irr;

namespace {
const core::vector3df& positionOf(u32 slot)
{
    assert(slot < vpSlotCount && node[slot] != nullptr);
    return node[slot]->getPosition();
}

// The squares are summed in single precision; only the root is taken in double.
f32 rootOf(f32 sumOfSquares)
{
    return static_cast<f32>(std::sqrt(static_cast<double>(sumOfSquares)));
}
} // namespace

f32 vpCameraDistance2D(u32 slot)
{
    const core::vector3df p = positionOf(slot);
    const f32 dx = campos.X - p.X;
    const f32 dz = campos.Z - p.Z;
    return rootOf(dx * dx + dz * dz);
}

f32 vpCameraDistance(u32 slot)
{
    const core::vector3df p = positionOf(slot);
    const f32 dx = campos.X - p.X;
    const f32 dy = campos.Y - p.Y;
    const f32 dz = campos.Z - p.Z;
    return rootOf((dx * dx + dy * dy) + dz * dz);
}

f32 vpObjectsDistance(u32 a, u32 b)
{
    const core::vector3df p = positionOf(a); // copied before b is fetched
    const core::vector3df q = positionOf(b);
    const f32 dx = p.X - q.X;
    const f32 dy = p.Y - q.Y;
    const f32 dz = p.Z - q.Z;
    return rootOf((dx * dx + dy * dy) + dz * dz);
}
