#include "driver_textures.h"

using namespace irr;

// OpenGL says how large its textures may be and takes any size; the Software
// renderer and BurningsVideo take powers of two only, and rescale other
// pictures: the Software renderer up to the next power of two, BurningsVideo
// down to the one below (and it tells no largest size). The null driver
// keeps any picture as it is.
imagedecode::TextureLimits TextureLimitsOf(video::IVideoDriver* driver)
{
    using imagedecode::PowerOfTwo;
    const core::dimension2du largest = driver->getMaxTextureSize();
    PowerOfTwo powerOfTwo = PowerOfTwo::Any;
    if (driver->getDriverType() != video::EDT_NULL &&
        !driver->queryFeature(video::EVDF_TEXTURE_NPOT))
        powerOfTwo = driver->getDriverType() == video::EDT_BURNINGSVIDEO ? PowerOfTwo::RoundDown
                                                                         : PowerOfTwo::RoundUp;
    return imagedecode::LimitsForDriver(largest.Width, largest.Height, powerOfTwo);
}

bool PadsPartialPanoramas(video::IVideoDriver* driver)
{
    // Only OpenGL applies a texture matrix and clamps to a black border.
    return driver->getDriverType() != video::EDT_OPENGL ||
           !driver->queryFeature(video::EVDF_TEXTURE_MATRIX);
}
