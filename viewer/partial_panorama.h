// Partial panoramas, placed on the sphere as their GPano metadata says
// (gpano/). OpenGL draws the picture through a texture matrix and leaves the
// rest of the sphere black by clamping to the texture's black border; the
// other renderers can do neither, and get the picture padded with black to
// the full panorama instead, so that every renderer shows the same.
#pragma once

#include <irrlicht.h>

#include "cropped_area.h"
#include "imagedecode.h"
#include "placement.h"
#include "reducing_sink.h"

// Whether the renderer gets partial panoramas padded to the full panorama,
// having no texture matrix and border clamping to place them itself.
bool PadsPartialPanoramas(irr::video::IVideoDriver* driver);

// What the picture's metadata says, judged once at the picture's full size,
// and for a renderer that pads, the padded panorama within its textures.
struct PanoramaMetadata
{
    gpano::Verdict verdict;
    gpano::PaddedPanorama padded;
};

// The sink that decodes a panorama for its texture: the metadata is judged as
// soon as the decoder has read it, before the first row; a partial panorama
// that is to be padded is reduced to the size it has in the padded texture,
// any other picture to the texture size (reducing_sink.h).
class PanoramaSink : public imagedecode::ReducingSink
{
public:
    PanoramaSink(const imagedecode::TextureLimits& limits, bool padsPartialPanoramas,
                 const imagedecode::DecodeWork& work, imagedecode::RowSink& output)
        : ReducingSink(limits, output), Pads(padsPartialPanoramas), Work(work)
    {}

    const PanoramaMetadata& metadata() const { return Metadata; }

protected:
    imagedecode::PictureSize chooseSize(imagedecode::PictureSize full) override;

private:
    bool Pads;
    const imagedecode::DecodeWork& Work; // where the decoder puts the XMP packet
    bool Judged = false;
    PanoramaMetadata Metadata;
};

// The picture as its metadata places it: for a partial panorama on a
// renderer with texture matrices, sets `placement` and returns `image`; on
// other renderers returns the image padded to the full panorama (dropping
// `image`). Metadata that cannot be used gets one line on standard error
// naming the file and what is wrong, and the image is returned as it is, to
// be shown over the whole sphere.
irr::video::IImage* PlacePartialPanorama(irr::video::IVideoDriver* driver,
                                         irr::video::IImage* image,
                                         const PanoramaMetadata& metadata,
                                         const irr::io::path& file,
                                         gpano::TexturePlacement& placement);
