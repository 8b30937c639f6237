// Loading of the viewer's picture: from its file to the engine. Every file
// is identified by its content and decoded by the project's own checked
// decoders (imagedecode/) into the texture the plan for it asks (gpano/);
// only WAL and LMP files reach an engine decoder, and only after they have
// been checked completely.
#pragma once

#include <irrlicht.h>

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

} // namespace imageload

// Loads the picture `file` as a texture named `file`: decodes it safely, hands
// the image to the driver's texture cache (addTexture) and returns the cached
// texture from getTexture. A file that cannot be loaded (missing, damaged, of
// no supported format, or describing more than imagedecode::MaxImagePixels)
// gets one line on standard error naming the file and the reason, and
// nullptr; getTexture is then not called, so no engine loader sees the file.
// The same words, without the program's name, go to `refusal` when given.
// A colour profile that cannot be used gets one line too, and the picture
// shows with its numbers taken for sRGB; so does metadata that cannot be
// used, and the picture shows over the whole sphere, or opens straight
// ahead. Where the texture lies on the sphere goes to `placement`, and the
// camera's heading at the first frame (degrees turned right) to `heading`,
// when given.
irr::video::ITexture* LoadPanoramaTexture(irr::video::IVideoDriver* driver,
                                          const irr::io::path& file, std::string* refusal = nullptr,
                                          gpano::TexturePlacement* placement = nullptr,
                                          float* heading = nullptr);
