#include "gl_texture_sink.h"

#include "platform.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

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

// Whether the driver makes immutable texture storage: OpenGL 4.2 or its
// extension. The function's address alone does not tell, since GLX gives
// one for any name it is asked.
bool HasTextureStorage()
{
    int major = 0, minor = 0;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 4 || (major == 4 && minor >= 2)))
        return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::string_view name = "GL_ARB_texture_storage";
    for (const char* at = extensions; at && (at = std::strstr(at, name.data())); at += name.size())
        if ((at == extensions || at[-1] == ' ') && (at[name.size()] == ' ' || !at[name.size()]))
            return true;
    return false;
}

} // namespace

bool GlTextureSink::begin(const imagedecode::PictureInfo& picture, std::string& reason)
{
    picture_ = picture;
    if (!imagedecode::IsTextureLayout(picture.layout)) {
        reason = "the image cannot be made an OpenGL texture";
        return false;
    }
    pixelBytes_ = imagedecode::BytesPerPixel(picture.layout);
    stride_ = std::size_t(picture.width) * pixelBytes_;
    committed_ = 0;
    chain_.setUp({picture.width, picture.height}, unsigned(pixelBytes_));
    // Every band's memory is had here: the ring of the picture's bands, or
    // the whole picture, and two bands for each smaller level.
    bool enough = true;
    auto rows = [&](std::size_t bytes) {
        std::unique_ptr<unsigned char[]> memory(new (std::nothrow) unsigned char[bytes]);
        enough = enough && memory;
        return memory;
    };
    if (picture.passes > 1) {
        whole_ = rows(std::size_t(picture.height) * stride_);
    } else {
        const std::size_t bandBytes = std::size_t(imagedecode::MaxBandRows) * stride_;
        bands_.resize(std::clamp<std::size_t>(RingBytes / bandBytes, MinBandSlots, MaxBandSlots));
        for (Slot& slot : bands_)
            slot.rows = rows(std::size_t(imagedecode::MaxBandRows) * stride_);
    }
    levelBands_.resize(chain_.levels());
    for (unsigned level = 1; level <= chain_.levels(); ++level) {
        const imagedecode::PictureSize size = chain_.size(level);
        for (Slot& slot : levelBands_[level - 1].slots)
            slot.rows = rows(std::min(size.height, imagedecode::MaxBandRows) *
                             std::size_t(size.width) * pixelBytes_);
    }
    if (!enough) {
        reason = "not enough memory for the image";
        return false;
    }
    // The decoder goes on while the storage is made; the uploads wait for
    // it, and finish() tells whether it was.
    made_ = false;
    courier_.send([this] { made_ = makeStorage(); });
    return true;
}

// The whole chain at once: storage made for the picture alone would be made
// again, and copied, when the smaller levels arrive.
bool GlTextureSink::makeStorage()
{
    const Binding binding(name_);
    while (glGetError() != GL_NO_ERROR) {
    }
    const bool alpha = picture_.layout == imagedecode::PixelLayout::Argb32;
    const GLenum internal = alpha ? GL_RGBA8 : GL_RGB8;
    const GLsizei levels = GLsizei(chain_.levels() + 1);
    using TexStorage2D = void (*)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);
    const auto storage = HasTextureStorage()
                             ? reinterpret_cast<TexStorage2D>(GlFunction("glTexStorage2D"))
                             : nullptr;
    if (storage) {
        storage(GL_TEXTURE_2D, levels, internal, GLsizei(picture_.width), GLsizei(picture_.height));
    } else {
        for (GLint level = 0; level < levels; ++level) {
            const imagedecode::PictureSize size = chain_.size(unsigned(level));
            glTexImage2D(GL_TEXTURE_2D, level, GLint(internal), GLsizei(size.width),
                         GLsizei(size.height), 0, alpha ? GL_BGRA : GL_RGB, GL_UNSIGNED_BYTE,
                         nullptr);
        }
    }
    return glGetError() == GL_NO_ERROR;
}

unsigned char* GlTextureSink::band(std::uint32_t first, std::uint32_t, std::size_t& stride)
{
    stride = stride_;
    if (whole_)
        return whole_.get() + std::size_t(first) * stride_;
    // The slot's rows are free once their upload is done.
    Slot& slot = bands_[next_];
    courier_.waitFor(slot.ticket);
    bandFirst_ = first;
    return slot.rows.get();
}

void GlTextureSink::commit(std::uint32_t first, std::uint32_t count)
{
    committed_ += count;
    if (!whole_) {
        Slot& slot = bands_[next_];
        const unsigned char* rows = slot.rows.get() + std::size_t(first - bandFirst_) * stride_;
        slot.ticket = send(0, first, count, rows);
        next_ = (next_ + 1) % bands_.size();
        addToLevels(count, rows);
        return;
    }
    // Rows are final in the last pass only: all of them at its end.
    if (committed_ == std::uint64_t(picture_.passes) * picture_.height) {
        send(0, 0, picture_.height, whole_.get());
        addToLevels(picture_.height, whole_.get());
    }
}

// The `count` rows at `rows`, the next ones of the picture, into the smaller
// levels in the order declared.
void GlTextureSink::addToLevels(std::uint32_t count, const unsigned char* rows)
{
    const imagedecode::MipmapChain::Deliver deliver = [this](unsigned level, std::uint32_t arrived,
                                                             const unsigned char* pixels) {
        gather(level, arrived, pixels);
    };
    const bool topDown = picture_.order == imagedecode::RowOrder::TopDown;
    for (std::uint32_t i = 0; i < count; ++i)
        chain_.add(rows + std::size_t(topDown ? i : count - 1 - i) * stride_, deliver);
}

// A row of a smaller level into its band, which goes up when it is full.
// A picture given from the bottom gives its levels from the bottom too.
void GlTextureSink::gather(unsigned level, std::uint32_t arrived, const unsigned char* pixels)
{
    const imagedecode::PictureSize size = chain_.size(level);
    const bool topDown = picture_.order == imagedecode::RowOrder::TopDown;
    const std::uint32_t row = topDown ? arrived : size.height - 1 - arrived;
    const std::size_t rowBytes = std::size_t(size.width) * pixelBytes_;
    LevelBand& band = levelBands_[level - 1];
    Slot& slot = band.slots[band.filling];
    if (!band.open) {
        courier_.waitFor(slot.ticket);
        const std::uint32_t capacity = std::min(size.height, imagedecode::MaxBandRows);
        band.top = topDown ? row : row + 1 - std::min(row + 1, capacity);
        band.end = topDown ? std::min(size.height, row + capacity) : row + 1;
        band.open = true;
    }
    std::copy(pixels, pixels + rowBytes, slot.rows.get() + (row - band.top) * rowBytes);
    if (row == (topDown ? band.end - 1 : band.top)) {
        slot.ticket = send(level, band.top, band.end - band.top, slot.rows.get());
        band.filling ^= 1;
        band.open = false;
    }
}

// Uploads `count` rows of `level` from `first` on, on the thread whose
// context is current; `rows` stay as they are until the ticket is done.
std::uint64_t GlTextureSink::send(unsigned level, std::uint32_t first, std::uint32_t count,
                                  const unsigned char* rows)
{
    const GLenum format = picture_.layout == imagedecode::PixelLayout::Argb32 ? GL_BGRA : GL_RGB;
    const GLsizei width = GLsizei(chain_.size(level).width);
    const GLuint name = name_;
    return courier_.send([=] {
        const Binding binding(name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glTexSubImage2D(GL_TEXTURE_2D, GLint(level), 0, GLint(first), width, GLsizei(count), format,
                        GL_UNSIGNED_BYTE, rows);
    });
}

bool GlTextureSink::finish(std::string& reason)
{
    whole_.reset();
    bands_.clear();
    levelBands_.clear();
    chain_ = imagedecode::MipmapChain();
    if (!made_) {
        reason = "the video driver could not make a texture of it";
        return false;
    }
    if (committed_ != std::uint64_t(picture_.passes) * picture_.height) {
        reason = "the image was not decoded whole";
        return false;
    }
    return true;
}
