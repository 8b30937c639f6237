// Loading of the viewer's picture: from its file to the engine. Every file
// is identified by its content and decoded by the project's own checked
// decoders (imagedecode/) into the texture the plan for it asks (gpano/);
// only WAL and LMP files reach an engine decoder, and only after they have
// been checked completely.
#pragma once

#include <irrlicht.h>

#include "image_file.h"
#include "texture_plan.h"

#include <string>

namespace imageload {

// Opens a regular file of at most imagedecode::MaxFileSize bytes, plans its
// texture for the driver and decodes it in one pass into a new engine image
// (ECF_R8G8B8, or ECF_A8R8G8B8 for pictures with alpha): reduced to the
// largest picture the driver's textures can show, and a partial panorama
// placed as its metadata says, which `plan` tells when given. Null, saying
// why, when the file cannot be loaded. The caller drops the image.
irr::video::IImage* DecodePanoramaImageFile(irr::video::IVideoDriver* driver,
                                            const irr::io::path& file, std::string& reason,
                                            gpano::TexturePlan* plan = nullptr);
// The same for a file already opened.
irr::video::IImage* DecodeOpenedFile(irr::video::IVideoDriver* driver,
                                     imagedecode::ImageFile& input, std::string& reason,
                                     gpano::TexturePlan* plan = nullptr);

} // namespace imageload

// What loading the panorama gave beside its texture.
struct LoadedPanorama
{
    std::string refusal;               // why it cannot be shown, when it cannot
    gpano::TexturePlacement placement; // where the texture lies on the sphere
    float heading = 0.0f;              // the camera's at the first frame, degrees turned right
    // On OpenGL, the viewer's own texture is drawn by a material renderer of
    // its own, this material type, in place of an engine texture.
    irr::s32 materialType = -1;
};

// Loads the picture `file` for the panorama: decodes it safely in one pass,
// and hands it to the driver. On OpenGL its rows go straight into a texture
// of the viewer's own (gl_texture_sink.h), drawn by a material renderer it
// registers (panorama_material.h), whose type goes to `loaded`; the
// function then returns null. On the other drivers the image goes to the
// driver's texture cache (addTexture) and the cached texture, named `file`,
// is returned from getTexture. A file that cannot be loaded (missing,
// damaged, of no supported format, or describing more than
// imagedecode::MaxImagePixels) gets one line on standard error naming the
// file and the reason, and null; getTexture is then not called, so no
// engine loader sees the file. The same words, without the program's name,
// go to `loaded`. A colour profile that cannot be used gets one line too,
// and the picture shows with its numbers taken for sRGB; so does metadata
// that cannot be used, and the picture shows over the whole sphere, or
// opens straight ahead.
irr::video::ITexture* LoadPanoramaTexture(irr::video::IVideoDriver* driver,
                                          const irr::io::path& file,
                                          LoadedPanorama* loaded = nullptr);
