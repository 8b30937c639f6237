// The viewer's own OpenGL texture, read back from a real OpenGL context
// (under Xvfb): every level of its mipmap chain holds what the rows and
// their area averages are, for pictures given from the top, from the
// bottom, in several passes and with alpha, across many bands; a colour
// profile's conversion, made in place in the texture's bands, gives what it
// gives on the other renderers; the state
// the engine left is found again after the uploads and after the material
// that draws the texture; the material applies its layer's filtering.
#include "bytes_file.h"
#include "fed_rows.h"
#include "gl_texture_sink.h"
#include "image_file.h"
#include "mipmap_chain.h"
#include "panorama_material.h"
#include "picture_buffer.h"
#include "profiles.h"
#include "texture_decode.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace irr;

namespace {

using imagedecode::PictureInfo;
using imagedecode::PixelLayout;
using imagedecode::RowOrder;

class GlTexture : public testing::Test
{
protected:
    void SetUp() override
    {
        device = createDevice(video::EDT_OPENGL, core::dimension2d<u32>(64, 64), 32);
        ASSERT_NE(device, nullptr) << "no OpenGL; run this test through with-xvfb.sh";
        driver = device->getVideoDriver();
    }
    void TearDown() override
    {
        if (device)
            device->drop();
    }

    IrrlichtDevice* device = nullptr;
    video::IVideoDriver* driver = nullptr;
};

using Picture = testimages::RowsPicture;
using testimages::Feed;
using testimages::RandomPicture;

// Decodes the picture into the texture `name`: on this thread, or on a
// second one with the uploads on this one, as the viewer does.
bool Decode(const Picture& p, GLuint name, bool beside, std::string& reason,
            std::uint32_t stopAfter = ~0u)
{
    imagedecode::Courier courier;
    GlTextureSink sink(name, courier);
    const auto feed = [&](std::string& why) { return Feed(p, sink, why, stopAfter); };
    const bool fed = beside ? imagedecode::DecodeBeside(courier, feed, reason) : feed(reason);
    return sink.finish(reason) && fed;
}

std::vector<unsigned char> ReadLevel(GLuint name, GLint level, PixelLayout layout,
                                     imagedecode::PictureSize& size)
{
    glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    size = {std::uint32_t(width), std::uint32_t(height)};
    std::vector<unsigned char> samples(std::size_t(width) * height *
                                       imagedecode::BytesPerPixel(layout));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, layout == PixelLayout::Argb32 ? GL_BGRA : GL_RGB,
                  GL_UNSIGNED_BYTE, samples.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return samples;
}

TEST_F(GlTexture, EveryLevelHoldsThePictureOrTheAverageOfTheLevelAbove)
{
    const Picture pictures[] = {
        RandomPicture(37, 19, PixelLayout::Rgb24, RowOrder::TopDown, 1, 1),
        RandomPicture(64, 100, PixelLayout::Argb32, RowOrder::BottomUp, 1, 2),
        RandomPicture(50, 70, PixelLayout::Rgb24, RowOrder::BottomUp, 1, 3),
        RandomPicture(40, 24, PixelLayout::Rgb24, RowOrder::TopDown, 7, 4),
        RandomPicture(1, 33, PixelLayout::Argb32, RowOrder::TopDown, 1, 5),
    };
    for (const bool beside : {false, true})
        for (const Picture& p : pictures) {
            SCOPED_TRACE(testing::Message()
                         << (beside ? "decoded beside, " : "") << p.info.width << " x "
                         << p.info.height
                         << (p.info.layout == PixelLayout::Argb32 ? " BGRA" : " RGB")
                         << (p.info.order == RowOrder::BottomUp ? ", from the bottom" : "") << ", "
                         << p.info.passes << " passes");
            GLuint name = 0;
            glGenTextures(1, &name);
            std::string reason;
            ASSERT_TRUE(Decode(p, name, beside, reason)) << reason;

            // The expected levels from the picture's rows, top row first.
            imagedecode::MipmapChain chain;
            const unsigned channels = unsigned(imagedecode::BytesPerPixel(p.info.layout));
            chain.setUp({p.info.width, p.info.height}, channels);
            std::vector<std::vector<unsigned char>> expected(chain.levels() + 1);
            expected[0] = p.rows;
            const std::size_t bytes = std::size_t(p.info.width) * channels;
            for (std::uint32_t y = 0; y < p.info.height; ++y)
                chain.add(p.rows.data() + y * bytes, [&](unsigned level, std::uint32_t,
                                                         const unsigned char* row) {
                    expected[level].insert(expected[level].end(), row,
                                           row + std::size_t(chain.size(level).width) * channels);
                });
            for (unsigned level = 0; level <= chain.levels(); ++level) {
                imagedecode::PictureSize size;
                EXPECT_EQ(ReadLevel(name, GLint(level), p.info.layout, size), expected[level])
                    << "level " << level;
                EXPECT_EQ(size, chain.size(level)) << "level " << level;
            }
            // Storage for the whole chain at once, unless Mesa was told to be a
            // driver without it (the test's run without texture storage).
            const bool storage = !std::getenv("MESA_GL_VERSION_OVERRIDE");
            GLint maxLevel = 0;
            glBindTexture(GL_TEXTURE_2D, name);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_IMMUTABLE_LEVELS, &maxLevel);
            EXPECT_EQ(maxLevel, storage ? GLint(chain.levels() + 1) : 0);
            glBindTexture(GL_TEXTURE_2D, 0);
            glDeleteTextures(1, &name);
        }
}

// Pictures in Adobe RGB, given from the top and from the bottom, with alpha,
// in bands of every size a decoder gives: converted in place in the
// texture's bands on the decoder's thread, they come out as the conversion
// on a thread of its own makes them for the other renderers.
TEST_F(GlTexture, ProfiledPicturesConvertInPlaceAsOnTheirOwnThread)
{
    testimages::Picture p{61, 37};
    for (std::uint32_t i = 0; i < p.width * p.height; ++i)
        p.argb.push_back((i * 2654435761u) | (i % 3 ? 0xFF000000u : 0x80000000u));
    const testimages::Bytes profile = profiles::RgbProfile(profiles::AdobeRgb);
    const std::pair<const char*, testimages::Bytes> files[] = {
        {"PNG", profiles::WithPngProfile(testimages::EncodePngDepth(p, "RGB", 8, false), profile)},
        {"PNG with alpha", profiles::WithPngProfile(testimages::EncodePngDepth(p, "RGBA", 8, false), profile)},
        {"JPEG", profiles::WithJpegProfile(testimages::EncodeJpeg(p, "RGB"), profile)},
        {"BMP, from the bottom", testimages::EncodeBmpWithProfile(p, profile)},
    };
    for (const auto& [kind, bytes] : files) {
        SCOPED_TRACE(kind);
        const BytesFile file(bytes);
        std::string reason;
        imagedecode::ImageFile own, inPlace;
        ASSERT_TRUE(own.open(file.path(), reason)) << reason;
        ASSERT_TRUE(inPlace.open(file.path(), reason)) << reason;
        const gpano::TexturePlan plan = gpano::PlanTexture(own.description(), {}, false);
        ASSERT_NE(plan.colour, nullptr);
        imagedecode::PictureBuffer expected;
        ASSERT_TRUE(gpano::DecodeForTexture(own, plan, expected, reason)) << reason;

        GLuint name = 0;
        glGenTextures(1, &name);
        {
            imagedecode::Courier courier;
            GlTextureSink sink(name, courier);
            const auto decode = [&](std::string& why) {
                return gpano::DecodeForTexture(inPlace, plan, sink, why,
                                               imagedecode::ConversionThread::Decoders);
            };
            ASSERT_TRUE(imagedecode::DecodeBeside(courier, decode, reason) && sink.finish(reason))
                << reason;
        }
        const imagedecode::PictureInfo& info = expected.picture();
        imagedecode::PictureSize size;
        const std::vector<unsigned char> shown = ReadLevel(name, 0, info.layout, size);
        const unsigned char* pixels = expected.pixels();
        EXPECT_EQ(shown, std::vector<unsigned char>(
                             pixels, pixels + std::size_t(info.width) * info.height *
                                                  imagedecode::BytesPerPixel(info.layout)));
        glDeleteTextures(1, &name);
    }
}

// What the engine had bound, on which unit, and its unpacking, stay as they
// were; a picture that stops early, cannot be a texture, or whose storage
// the driver cannot make, is refused.
TEST_F(GlTexture, UploadsLeaveTheEnginesStateAndRefuseWhatIsNotWhole)
{
    GLuint names[2] = {};
    glGenTextures(2, names);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glActiveTexture(GL_TEXTURE1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);

    std::string reason;
    const Picture p = RandomPicture(33, 40, PixelLayout::Rgb24, RowOrder::TopDown, 1, 9);
    for (const bool beside : {false, true}) {
        GLuint name = 0;
        glGenTextures(1, &name);
        EXPECT_FALSE(Decode(p, name, beside, reason, 20));
        EXPECT_EQ(reason, "the image was not decoded whole");
        // Its storage is made for good: a second picture cannot have it.
        EXPECT_FALSE(Decode(p, name, beside, reason));
        EXPECT_EQ(reason, "the video driver could not make a texture of it");
        glDeleteTextures(1, &name);
    }

    GLint active = 0, bound = 0, alignment = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(active, GL_TEXTURE1);
    EXPECT_EQ(alignment, 8);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), names[1]);

    imagedecode::Courier courier;
    GlTextureSink grey(names[0], courier);
    EXPECT_FALSE(grey.begin({4, 4, PixelLayout::Grey8}, reason));
    EXPECT_EQ(reason, "the image cannot be made an OpenGL texture");
    glDeleteTextures(2, names);
}

// The material binds the texture with its layer's wrapping, filtering and
// texture matrix, and puts back what it found when it is unset.
TEST_F(GlTexture, MaterialAppliesItsLayerAndPutsBackWhatItFound)
{
    auto* services = dynamic_cast<video::IMaterialRendererServices*>(driver);
    ASSERT_NE(services, nullptr);
    const int maxAnisotropy = driver->getDriverAttributes().getAttributeAsInt("MaxAnisotropy");
    GLuint names[2] = {};
    glGenTextures(2, names);
    std::string reason;
    ASSERT_TRUE(Decode(RandomPicture(16, 8, PixelLayout::Rgb24, RowOrder::TopDown, 1, 3), names[0],
                       false, reason));
    auto* material = new PanoramaMaterial(names[0], maxAnisotropy);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    video::SMaterial m;
    m.TextureLayer[0].TrilinearFilter = true;
    m.TextureLayer[0].AnisotropicFilter = 4;
    m.TextureLayer[0].TextureWrapU = video::ETC_CLAMP_TO_BORDER;
    core::matrix4 scale;
    scale.setTextureScale(0.5f, 2.0f);
    m.setTextureMatrix(0, scale);
    material->OnSetMaterial(m, m, true, services);

    GLint bound = 0, minFilter = 0, wrapS = 0, wrapT = 0;
    GLfloat matrix[16] = {}, anisotropy = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), names[0]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(wrapS, GL_CLAMP_TO_BORDER);
    EXPECT_EQ(wrapT, GL_REPEAT);
    if (maxAnisotropy > 1) {
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
        EXPECT_EQ(anisotropy, float(std::min(4, maxAnisotropy)));
    }
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    EXPECT_EQ(matrix[0], 0.5f);
    EXPECT_EQ(matrix[5], 2.0f);

    m.TextureLayer[0].TrilinearFilter = false;
    material->OnSetMaterial(m, m, false, services); // again, as for the next mesh buffer
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);

    material->OnUnsetMaterial();
    GLint mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    EXPECT_EQ(GLuint(bound), names[1]);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(
        std::vector<float>(matrix, matrix + 16),
        std::vector<float>(core::IdentityMatrix.pointer(), core::IdentityMatrix.pointer() + 16));
    material->drop(); // deletes its texture
    EXPECT_FALSE(glIsTexture(names[0]));
    glDeleteTextures(1, &names[1]);
}

} // namespace
