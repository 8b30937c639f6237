#include "image_decoders.h"

#include <irrlicht.h>

#include <memory>

using namespace irr;

namespace bench {
namespace {

struct DeviceDeleter
{
    void operator()(IrrlichtDevice* device) const { device->drop(); }
};

// The engine's own loaders, through a null-driver device.
bool decodeWithEngine(const std::string& path, unsigned& width, unsigned& height)
{
    static std::unique_ptr<IrrlichtDevice, DeviceDeleter> device([] {
        SIrrlichtCreationParameters params;
        params.DriverType = video::EDT_NULL;
        params.LoggingLevel = ELL_ERROR;
        return createDeviceEx(params);
    }());
    if (!device)
        return false;
    video::IImage* image = device->getVideoDriver()->createImageFromFile(io::path(path.c_str()));
    if (!image)
        return false;
    width = image->getDimension().Width;
    height = image->getDimension().Height;
    image->drop();
    return true;
}

} // namespace

std::vector<ImageDecoder> imageDecoders()
{
    return {{"engine loader (createImageFromFile)", decodeWithEngine}};
}

} // namespace bench
