// Loading of the viewer's picture: the hand-over from the image decoders
// (imagedecode/) to the engine. Every file is identified by its content and
// decoded by the project's own checked decoders; only WAL and LMP files reach
// an engine decoder, and only after they have been checked completely.
#pragma once

#include <irrlicht.h>

#include "imagedecode.h"
#include "partial_panorama.h"
#include "placement.h"

#include <cstddef>
#include <string>

namespace imageload {

// Decodes `size` bytes into a new engine image (ECF_R8G8B8, or ECF_A8R8G8B8
// for pictures with alpha), or returns nullptr and says why in `reason`. A
// picture larger than the driver's textures can show is reduced to the
// largest that they can, as it is decoded. The caller drops the image.
irr::video::IImage* DecodePanoramaImage(irr::video::IVideoDriver* driver, const unsigned char* data,
                                        std::size_t size, std::string& reason);

// Reads a regular file of at most imagedecode::MaxFileSize bytes and decodes
// it the same way; a PNG is decoded as it is read, every other format from
// the file mapped into memory. What the file's metadata says goes to
// `metadata` when given.
irr::video::IImage* DecodePanoramaImageFile(irr::video::IVideoDriver* driver,
                                            const irr::io::path& file, std::string& reason,
                                            PanoramaMetadata* metadata = nullptr);

// The file name as it may appear on one line of the terminal.
std::string PrintableName(const irr::io::path& file);

} // namespace imageload

// Loads the picture `file` as a texture named `file`: decodes it safely, hands
// the image to the driver's texture cache (addTexture) and returns the cached
// texture from getTexture. A file that cannot be loaded (missing, damaged, of
// no supported format, or describing more than imagedecode::MaxImagePixels)
// gets one line on standard error naming the file and the reason, and
// nullptr; getTexture is then not called, so no engine loader sees the file.
// The same words, without the program's name, go to `refusal` when given.
// With `placement`, a partial panorama is placed as its metadata says
// (partial_panorama.h).
irr::video::ITexture* LoadPanoramaTexture(irr::video::IVideoDriver* driver,
                                          const irr::io::path& file, std::string* refusal = nullptr,
                                          gpano::TexturePlacement* placement = nullptr);
