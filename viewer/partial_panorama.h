// Partial panoramas, placed on the sphere as their GPano metadata says
// (gpano/). OpenGL draws the picture through a texture matrix and leaves the
// rest of the sphere black by clamping to the texture's black border; the
// other renderers can do neither, and get the picture padded with black to
// the full panorama instead, so that every renderer shows the same.
#pragma once

#include <irrlicht.h>

#include "imagedecode.h"
#include "placement.h"

// The picture's metadata judged: for a partial panorama on OpenGL, sets
// `placement` and returns `image`; on other renderers returns the image
// padded to the full panorama (dropping `image`). Metadata that cannot be
// used gets one line on standard error naming the file and what is wrong,
// and the image is returned as it is, to be shown over the whole sphere.
irr::video::IImage* PlacePartialPanorama(irr::video::IVideoDriver* driver,
                                         irr::video::IImage* image,
                                         const imagedecode::XmpPacket& xmp,
                                         const irr::io::path& file,
                                         gpano::TexturePlacement& placement);

// The largest texture the renderer is given: as large as the decoders'
// largest picture.
gpano::TextureLimit PanoramaTextureLimit(irr::video::IVideoDriver* driver);

// The picture as the padded panorama needs it, `width` x `height` pixels:
// the image itself when it has that size, else null. A picture that must be
// smaller to fit the texture comes from decoding the file reduced to that
// size, which this loader does not do.
irr::video::IImage* PictureAtSize(irr::video::IImage* image, irr::u32 width, irr::u32 height);
