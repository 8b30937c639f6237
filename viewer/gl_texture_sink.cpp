#include "gl_texture_sink.h"

#include "platform.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <new>

namespace {

// Binds the texture on unit 0 while it lives, and what was bound before,
// with the unpacking alignment, again after.
class Binding
{
public:
    explicit Binding(GLuint name)
    {
        glGetIntegerv(GL_ACTIVE_TEXTURE, &unit_);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &before_);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength_);
        glBindTexture(GL_TEXTURE_2D, name);
    }
    ~Binding()
    {
        glBindTexture(GL_TEXTURE_2D, GLuint(before_));
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength_);
        glActiveTexture(GLenum(unit_));
    }
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

private:
    GLint unit_ = GL_TEXTURE0, before_ = 0, alignment_ = 4, rowLength_ = 0;
};

} // namespace

bool GlTextureSink::begin(const imagedecode::PictureInfo& picture, std::string& reason)
{
    picture_ = picture;
    if (!imagedecode::IsTextureLayout(picture.layout)) {
        reason = "the image cannot be made an OpenGL texture";
        return false;
    }
    stride_ = std::size_t(picture.width) * imagedecode::BytesPerPixel(picture.layout);
    const std::uint64_t rows = picture.passes > 1 ? picture.height : imagedecode::MaxBandRows;
    rows_.reset(new (std::nothrow) unsigned char[rows * stride_]);
    if (!rows_) {
        reason = "not enough memory for the image";
        return false;
    }
    committed_ = 0;
    const Binding binding(name_);
    while (glGetError() != GL_NO_ERROR) {
    }
    const bool alpha = picture.layout == imagedecode::PixelLayout::Argb32;
    glTexImage2D(GL_TEXTURE_2D, 0, alpha ? GL_RGBA8 : GL_RGB8, GLsizei(picture.width),
                 GLsizei(picture.height), 0, alpha ? GL_BGRA : GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    if (glGetError() != GL_NO_ERROR) {
        reason = "the video driver could not make a texture of it";
        return false;
    }
    return true;
}

unsigned char* GlTextureSink::band(std::uint32_t first, std::uint32_t, std::size_t& stride)
{
    stride = stride_;
    if (picture_.passes > 1)
        return rows_.get() + std::size_t(first) * stride_;
    bandFirst_ = first;
    return rows_.get();
}

void GlTextureSink::commit(std::uint32_t first, std::uint32_t count)
{
    committed_ += count;
    if (picture_.passes == 1) {
        upload(first, count, rows_.get() + std::size_t(first - bandFirst_) * stride_);
        return;
    }
    // Rows are final in the last pass only: all of them at its end.
    if (committed_ == std::uint64_t(picture_.passes) * picture_.height)
        upload(0, picture_.height, rows_.get());
}

void GlTextureSink::upload(std::uint32_t first, std::uint32_t count, const unsigned char* rows)
{
    const Binding binding(name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const bool alpha = picture_.layout == imagedecode::PixelLayout::Argb32;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, GLint(first), GLsizei(picture_.width), GLsizei(count),
                    alpha ? GL_BGRA : GL_RGB, GL_UNSIGNED_BYTE, rows);
}

bool GlTextureSink::finish(std::string& reason)
{
    rows_.reset();
    if (committed_ != std::uint64_t(picture_.passes) * picture_.height) {
        reason = "the image was not decoded whole";
        return false;
    }
    using GenerateMipmap = void (*)(GLenum);
    const auto generate = reinterpret_cast<GenerateMipmap>(GlFunction("glGenerateMipmap"));
    if (generate) {
        const Binding binding(name_);
        generate(GL_TEXTURE_2D);
    }
    return true;
}
