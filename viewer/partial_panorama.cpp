#include "partial_panorama.h"

#include "imageload.h"
#include "padding.h"

#include <cstdio>
#include <string>

using namespace irr;

namespace {

void Ignore(const io::path& file, const std::string& problem)
{
    std::fprintf(stderr, "skyglass: ignoring the panorama metadata of \"%s\": %s\n",
                 imageload::PrintableName(file).c_str(), problem.c_str());
}

// Renderers that apply a texture matrix and clamp to a black border.
bool PlacesWithTextureMatrix(video::IVideoDriver* driver)
{
    return driver->getDriverType() == video::EDT_OPENGL &&
           driver->queryFeature(video::EVDF_TEXTURE_MATRIX);
}

// A new engine image of the picture (ECF_R8G8B8 or ECF_A8R8G8B8) padded with
// black; null when there is not enough memory.
video::IImage* Pad(video::IVideoDriver* driver, video::IImage* picture,
                   const gpano::PaddedPanorama& padded)
{
    const video::ECOLOR_FORMAT format = picture->getColorFormat();
    const imagedecode::PixelLayout layout = format == video::ECF_R8G8B8
                                                ? imagedecode::PixelLayout::Rgb24
                                                : imagedecode::PixelLayout::Argb32;
    std::unique_ptr<unsigned char[]> canvas =
        gpano::PadPicture(static_cast<const unsigned char*>(picture->lock()), layout, padded);
    picture->unlock();
    if (!canvas)
        return nullptr;
    video::IImage* image = driver->createImageFromData(
        format, core::dimension2d<u32>(padded.width, padded.height), canvas.get(), true, true);
    if (image)
        canvas.release();
    return image;
}

} // namespace

gpano::TextureLimit PanoramaTextureLimit(video::IVideoDriver*)
{
    return {imagedecode::MaxImageSide, imagedecode::MaxImagePixels};
}

video::IImage* PictureAtSize(video::IImage* image, u32 width, u32 height)
{
    const core::dimension2d<u32> size = image->getDimension();
    return size.Width == width && size.Height == height ? image : nullptr;
}

video::IImage* PlacePartialPanorama(video::IVideoDriver* driver, video::IImage* image,
                                    const imagedecode::XmpPacket& xmp, const io::path& file,
                                    gpano::TexturePlacement& placement)
{
    if (!xmp.problem.empty()) {
        Ignore(file, xmp.problem);
        return image;
    }
    const core::dimension2d<u32> size = image->getDimension();
    const gpano::Verdict verdict = gpano::JudgePacket(xmp.text, size.Width, size.Height);
    if (verdict.coverage == gpano::Coverage::Ignored)
        Ignore(file, verdict.problem);
    if (verdict.coverage != gpano::Coverage::Partial)
        return image;
    if (PlacesWithTextureMatrix(driver)) {
        placement = gpano::PlaceOnSphere(verdict.area);
        return image;
    }
    // Only the layouts of the viewer's own decoders are padded; the engine's
    // decoders read no metadata.
    const video::ECOLOR_FORMAT format = image->getColorFormat();
    if (format != video::ECF_R8G8B8 && format != video::ECF_A8R8G8B8)
        return image;
    const gpano::PaddedPanorama padded = gpano::PadToFullPanorama(
        verdict.area, size.Width, size.Height, PanoramaTextureLimit(driver));
    video::IImage* picture = PictureAtSize(image, padded.pictureWidth, padded.pictureHeight);
    video::IImage* canvas = picture ? Pad(driver, picture, padded) : nullptr;
    if (!canvas) {
        const gpano::CroppedArea& a = verdict.area;
        Ignore(file,
               picture
                   ? "not enough memory to pad the picture to the full panorama"
                   : "padded to the full panorama at its scale (" +
                         std::to_string(std::uint64_t(a.fullWidth) * size.Width / a.width) + " x " +
                         std::to_string(std::uint64_t(a.fullHeight) * size.Height / a.height) +
                         " pixels) it would be larger than this renderer's textures");
        return image;
    }
    image->drop();
    return canvas;
}
