// skyglass-panogen: paints the sample equirectangular panorama and writes it
// through the engine's own image writers (the format follows the extension:
// .jpg, .png, .bmp, ...).
#include "sample_panorama.h"

#include <irrlicht.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace irr;

namespace {

const char usage[] =
    "Usage: skyglass-panogen OUT.jpg|OUT.png [--width W] [--height H] [--quality Q]\n"
    "Paints the sample equirectangular panorama (default 4096 x 2048; the\n"
    "height defaults to half the width). Q is the JPEG quality, 1 to 100.\n";

bool parseWhole(const char* text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string out = argv[1];
    long width = 4096, height = 0, quality = 92;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        long* target = option == "--width"     ? &width
                       : option == "--height"  ? &height
                       : option == "--quality" ? &quality
                                               : nullptr;
        if (!target || i + 1 >= argc || !parseWhole(argv[i + 1], *target)) {
            std::fputs(usage, stderr);
            return 2;
        }
        ++i;
    }
    if (height == 0)
        height = width / 2;
    if (width < 8 || width > 16384 || height < 4 || height > 16384) {
        std::fputs("skyglass-panogen: width and height must lie from 8 x 4 to 16384 x 16384\n",
                   stderr);
        return 1;
    }
    if (quality < 1 || quality > 100) {
        std::fputs("skyglass-panogen: the quality must lie from 1 to 100\n", stderr);
        return 1;
    }

    // A null device gives the engine's image writers without opening a window.
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_NULL;
    params.LoggingLevel = ELL_WARNING;
    IrrlichtDevice* device = createDeviceEx(params);
    if (!device) {
        std::fputs("skyglass-panogen: cannot create the engine's null device\n", stderr);
        return 1;
    }
    video::IVideoDriver* driver = device->getVideoDriver();
    video::IImage* image =
        driver->createImage(video::ECF_R8G8B8, core::dimension2du(u32(width), u32(height)));
    bool written = false;
    if (image) {
        samplepano::paint(*image);
        written = driver->writeImageToFile(image, io::path(out.c_str()), u32(quality));
        image->drop();
    }
    device->drop();
    if (!written) {
        std::fprintf(stderr, "skyglass-panogen: cannot write %s\n", out.c_str());
        std::remove(out.c_str());
        return 1;
    }
    return 0;
}
