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

bool PadsPartialPanoramas(video::IVideoDriver* driver)
{
    // Only OpenGL applies a texture matrix and clamps to a black border.
    return driver->getDriverType() != video::EDT_OPENGL ||
           !driver->queryFeature(video::EVDF_TEXTURE_MATRIX);
}

imagedecode::PictureSize PanoramaSink::chooseSize(imagedecode::PictureSize full)
{
    if (!Judged && Work.xmp.found) {
        if (!Work.xmp.problem.empty()) {
            Metadata.verdict.coverage = gpano::Coverage::Ignored;
            Metadata.verdict.problem = Work.xmp.problem;
        } else {
            Metadata.verdict = gpano::JudgePacket(Work.xmp.text, full.width, full.height);
        }
        if (Pads && Metadata.verdict.coverage == gpano::Coverage::Partial)
            Metadata.padded =
                gpano::PadToFullPanorama(Metadata.verdict.area, full.width, full.height, limits());
    }
    Judged = true;
    if (Pads && Metadata.verdict.coverage == gpano::Coverage::Partial)
        return {Metadata.padded.pictureWidth, Metadata.padded.pictureHeight};
    return ReducingSink::chooseSize(full);
}

video::IImage* PlacePartialPanorama(video::IVideoDriver* driver, video::IImage* image,
                                    const PanoramaMetadata& metadata, const io::path& file,
                                    gpano::TexturePlacement& placement)
{
    const gpano::Verdict& verdict = metadata.verdict;
    if (verdict.coverage == gpano::Coverage::Ignored)
        Ignore(file, verdict.problem);
    if (verdict.coverage != gpano::Coverage::Partial)
        return image;
    if (!PadsPartialPanoramas(driver)) {
        placement = gpano::PlaceOnSphere(verdict.area);
        return image;
    }
    // The sink decoded the picture at the size it has in the padded panorama.
    const gpano::PaddedPanorama& padded = metadata.padded;
    const core::dimension2d<u32> size = image->getDimension();
    if (size.Width != padded.pictureWidth || size.Height != padded.pictureHeight) {
        Ignore(file, "the picture was not decoded at the size the padded panorama needs");
        return image;
    }
    video::IImage* canvas = Pad(driver, image, padded);
    if (!canvas) {
        Ignore(file, "not enough memory to pad the picture to the full panorama");
        return image;
    }
    image->drop();
    return canvas;
}
