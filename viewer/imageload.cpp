#include "imageload.h"

#include "decode_beside.h"
#include "driver_textures.h"
#include "gl_texture_sink.h"
#include "image_file.h"
#include "panorama_material.h"
#include "picture_buffer.h"
#include "platform.h"
#include "printable.h"
#include "texture_decode.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace irr;

namespace imageload {

namespace {

// A read-only file over bytes already checked, handed to an engine decoder.
class CheckedMemoryFile : public io::IReadFile
{
public:
    CheckedMemoryFile(const unsigned char* data, std::size_t size, const io::path& name)
        : Data(data), Size(static_cast<long>(size)), Name(name)
    {}

    s32 read(void* buffer, u32 sizeToRead) override
    {
        const long n = std::min<long>(sizeToRead, Size - Pos);
        if (n <= 0)
            return 0;
        std::memcpy(buffer, Data + Pos, static_cast<std::size_t>(n));
        Pos += n;
        return static_cast<s32>(n);
    }
    bool seek(long finalPos, bool relativeMovement = false) override
    {
        const long target = relativeMovement ? Pos + finalPos : finalPos;
        if (target < 0 || target > Size)
            return false;
        Pos = target;
        return true;
    }
    long getSize() const override { return Size; }
    long getPos() const override { return Pos; }
    const io::path& getFileName() const override { return Name; }

private:
    const unsigned char* Data;
    long Size;
    long Pos = 0;
    io::path Name;
};

// WAL and LMP carry no magic number, so the engine picks their decoder by the
// name's extension; ask that decoder alone, never the others behind it.
video::IImage* DecodeWithEngine(video::IVideoDriver* driver, const unsigned char* data,
                                std::size_t size, const char* name, std::string& reason)
{
    CheckedMemoryFile* file = new CheckedMemoryFile(data, size, name);
    video::IImage* image = nullptr;
    bool found = false;
    for (u32 i = driver->getImageLoaderCount(); i-- > 0 && !found;) {
        video::IImageLoader* loader = driver->getImageLoader(i);
        if (loader && loader->isALoadableFileExtension(name)) {
            found = true;
            file->seek(0);
            image = loader->loadImage(file);
        }
    }
    file->drop();
    if (!found)
        reason = "this engine has no decoder for the format";
    else if (!image)
        reason = "the engine's decoder refused the file";
    return image;
}

// Hands the decoded picture to an engine image, which takes over its buffer.
video::IImage* ToEngineImage(video::IVideoDriver* driver, imagedecode::PictureBuffer& picture,
                             std::string& reason)
{
    const imagedecode::PictureInfo& info = picture.picture();
    const video::ECOLOR_FORMAT colorFormat =
        info.layout == imagedecode::PixelLayout::Rgb24 ? video::ECF_R8G8B8 : video::ECF_A8R8G8B8;
    std::unique_ptr<unsigned char[]> pixels = picture.release();
    video::IImage* image = driver->createImageFromData(
        colorFormat, core::dimension2d<u32>(info.width, info.height), pixels.get(), true, true);
    if (image)
        pixels.release();
    else
        reason = "the engine could not create the image";
    return image;
}

// WAL and LMP go to the engine's decoder under a name with their extension.
std::string EngineName(const imagedecode::ImageFormat& format)
{
    return std::string("checked.") + format.key;
}

} // namespace

// The engine image of a file already opened.
video::IImage* DecodeOpenedFile(video::IVideoDriver* driver, imagedecode::ImageFile& input,
                                std::string& reason, gpano::TexturePlan* plan)
{
    if (input.format().flags & imagedecode::DecodedByEngine)
        return DecodeWithEngine(driver, input.data(), input.size(),
                                EngineName(input.format()).c_str(), reason);
    const gpano::TexturePlan planned = gpano::PlanTexture(
        input.description(), TextureLimitsOf(driver), PadsPartialPanoramas(driver));
    imagedecode::PictureBuffer texture;
    if (!gpano::DecodeForTexture(input, planned, texture, reason))
        return nullptr;
    if (plan)
        *plan = planned;
    return ToEngineImage(driver, texture, reason);
}

video::IImage* DecodePanoramaImageFile(video::IVideoDriver* driver, const io::path& file,
                                       std::string& reason, gpano::TexturePlan* plan)
{
    imagedecode::ImageFile input;
    if (!input.open(file.c_str(), reason))
        return nullptr;
    return DecodeOpenedFile(driver, input, reason, plan);
}

} // namespace imageload

namespace {

void Refuse(const io::path& file, const std::string& reason, std::string& refusal)
{
    refusal =
        imagedecode::Printable("cannot load \"" + std::string(file.c_str()) + "\": " + reason);
    std::fprintf(stderr, "skyglass: %s\n", refusal.c_str());
}

// `what` of the file cannot be used; the picture is shown without it.
void Ignore(const char* what, const io::path& file, const std::string& problem)
{
    std::fprintf(stderr, "skyglass: %s\n",
                 imagedecode::Printable(std::string("ignoring ") + what + " of \"" + file.c_str() +
                                        "\": " + problem)
                     .c_str());
}

// The texture of the viewer's own on OpenGL: the picture decoded straight
// into it, its material registered. The plan, or why not.
bool LoadOpenGlTexture(video::IVideoDriver* driver, imagedecode::ImageFile& input,
                       std::string& reason, gpano::TexturePlan& plan, s32& materialType)
{
    plan = gpano::PlanTexture(input.description(), TextureLimitsOf(driver),
                              PadsPartialPanoramas(driver));
    GLuint name = 0;
    glGenTextures(1, &name);
    bool made = false;
    {
        // The decoder runs on a second thread; the texture's uploads come
        // back to this one, whose context is current, as the bands are
        // decoded. A colour profile's conversion goes with the decoder.
        imagedecode::Courier courier;
        GlTextureSink texture(name, courier);
        const auto decode = [&](std::string& why) {
            return gpano::DecodeForTexture(input, plan, texture, why,
                                           imagedecode::ConversionThread::Decoders);
        };
        made = imagedecode::DecodeBeside(courier, decode, reason) && texture.finish(reason);
    } // the bands are freed here, also when the decoder failed
    ReturnFreedMemory(); // before the first frame
    if (!made) {
        glDeleteTextures(1, &name);
        return false;
    }
    PanoramaMaterial* material = new PanoramaMaterial(
        name, driver->getDriverAttributes().getAttributeAsInt("MaxAnisotropy"));
    materialType = driver->addMaterialRenderer(material, "skyglass panorama");
    material->drop();
    if (materialType < 0)
        reason = "the video driver could not take the panorama's material";
    return materialType >= 0;
}

} // namespace

video::ITexture* LoadPanoramaTexture(video::IVideoDriver* driver, const io::path& file,
                                     LoadedPanorama* loaded)
{
    if (!driver)
        return nullptr;
    LoadedPanorama ignored;
    LoadedPanorama& out = loaded ? *loaded : ignored;
    if (file.size() == 0) {
        Refuse(file, "no file name", out.refusal);
        return nullptr;
    }
    std::string reason;
    gpano::TexturePlan plan;
    imagedecode::ImageFile input;
    if (!input.open(file.c_str(), reason)) {
        Refuse(file, reason, out.refusal);
        return nullptr;
    }
    // WAL and LMP, small pictures the engine decodes, take its own way.
    video::IImage* image = nullptr;
    const bool ownTexture = driver->getDriverType() == video::EDT_OPENGL &&
                            !(input.format().flags & imagedecode::DecodedByEngine);
    if (ownTexture ? !LoadOpenGlTexture(driver, input, reason, plan, out.materialType)
                   : !(image = imageload::DecodeOpenedFile(driver, input, reason, &plan))) {
        Refuse(file, reason, out.refusal);
        return nullptr;
    }
    if (!plan.colourProblem.empty())
        Ignore("the colour profile", file, plan.colourProblem);
    if (plan.verdict.coverage == gpano::Coverage::Ignored)
        Ignore("the panorama metadata", file, plan.verdict.problem);
    if (!plan.verdict.viewProblem.empty())
        Ignore("the panorama metadata", file, plan.verdict.viewProblem);
    out.placement = plan.placement;
    out.heading = plan.heading;
    if (ownTexture)
        return nullptr;
    video::ITexture* texture = driver->addTexture(file, image);
    image->drop();
    if (!texture) {
        Refuse(file, "the video driver could not make a texture of it", out.refusal);
        return nullptr;
    }
    // Finds the texture just added under this name; no loader runs.
    return driver->getTexture(file);
}
