#include "image_decoders.h"

#include "imageload.h"

#include <irrlicht.h>

#include <memory>

using namespace irr;

namespace bench {
namespace {

struct DeviceDeleter
{
    void operator()(IrrlichtDevice* device) const { device->drop(); }
};

// A null-driver device, made once, for the loaders that need a video driver.
video::IVideoDriver* nullDriver()
{
    static std::unique_ptr<IrrlichtDevice, DeviceDeleter> device([] {
        SIrrlichtCreationParameters params;
        params.DriverType = video::EDT_NULL;
        params.LoggingLevel = ELL_ERROR;
        return createDeviceEx(params);
    }());
    return device ? device->getVideoDriver() : nullptr;
}

bool reportSize(video::IImage* image, unsigned& width, unsigned& height)
{
    if (!image)
        return false;
    width = image->getDimension().Width;
    height = image->getDimension().Height;
    image->drop();
    return true;
}

// The engine's own loaders.
bool decodeWithEngine(const std::string& path, unsigned& width, unsigned& height)
{
    video::IVideoDriver* driver = nullDriver();
    return driver && reportSize(driver->createImageFromFile(io::path(path.c_str())), width, height);
}

// The viewer's own checked decoders.
bool decodeWithViewer(const std::string& path, unsigned& width, unsigned& height)
{
    video::IVideoDriver* driver = nullDriver();
    std::string reason;
    return driver &&
           reportSize(imageload::DecodePanoramaImageFile(driver, io::path(path.c_str()), reason),
                      width, height);
}

} // namespace

std::vector<ImageDecoder> imageDecoders()
{
    return {{"engine loader (createImageFromFile)", decodeWithEngine},
            {"viewer loader (DecodePanoramaImageFile)", decodeWithViewer}};
}

} // namespace bench
