#include "shown.h"

#include "bytes_file.h"
#include "imageload.h"

using namespace irr;

Shown Show(const testimages::Bytes& file)
{
    NullEngine engine;
    const BytesFile bytes(file);
    Shown shown;
    video::IImage* image =
        imageload::DecodePanoramaImageFile(engine.driver, bytes.path(), shown.reason, &shown.plan);
    if (!image)
        return shown;
    shown.picture.width = image->getDimension().Width;
    shown.picture.height = image->getDimension().Height;
    for (u32 y = 0; y < shown.picture.height; ++y)
        for (u32 x = 0; x < shown.picture.width; ++x)
            shown.picture.argb.push_back(image->getPixel(x, y).color);
    image->drop();
    return shown;
}
