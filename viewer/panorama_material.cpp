#include "panorama_material.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

using namespace irr;

namespace {

GLint Wrap(u8 mode)
{
    return mode == video::ETC_CLAMP_TO_BORDER ? GL_CLAMP_TO_BORDER : GL_REPEAT;
}

} // namespace

PanoramaMaterial::~PanoramaMaterial()
{
    const GLuint name = name_;
    glDeleteTextures(1, &name);
}

void PanoramaMaterial::OnSetMaterial(const video::SMaterial& material,
                                     const video::SMaterial& lastMaterial,
                                     bool resetAllRenderstates,
                                     video::IMaterialRendererServices* services)
{
    services->setBasicRenderStates(material, lastMaterial, resetAllRenderstates);
    if (!set_) {
        glGetIntegerv(GL_ACTIVE_TEXTURE, &unit_);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_);
        enabled_ = glIsEnabled(GL_TEXTURE_2D);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode_);
        glGetFloatv(GL_TEXTURE_MATRIX, matrix_);
        set_ = true;
    }
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name_);
    const video::SMaterialLayer& layer = material.TextureLayer[0];
    // The sampling is the texture's own state, which nothing else changes:
    // set when the layer asks for other sampling than it has, not each frame.
    const Sampling wanted = {
        Wrap(layer.TextureWrapU),
        Wrap(layer.TextureWrapV),
        layer.BilinearFilter || layer.TrilinearFilter ? GL_LINEAR : GL_NEAREST,
        layer.TrilinearFilter  ? GL_LINEAR_MIPMAP_LINEAR
        : layer.BilinearFilter ? GL_LINEAR_MIPMAP_NEAREST
                               : GL_NEAREST_MIPMAP_NEAREST,
        std::max(1, std::min<int>(layer.AnisotropicFilter, maxAnisotropy_))};
    if (!(wanted == sampling_)) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wanted.wrapS);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wanted.wrapT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, wanted.magnify);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, wanted.minify);
        if (maxAnisotropy_ > 1)
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, wanted.anisotropy);
        sampling_ = wanted;
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(layer.getTextureMatrix().pointer());
    glMatrixMode(GLenum(matrixMode_));
}

void PanoramaMaterial::OnUnsetMaterial()
{
    if (!set_)
        return;
    glActiveTexture(GL_TEXTURE0);
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(matrix_);
    glMatrixMode(GLenum(matrixMode_));
    glBindTexture(GL_TEXTURE_2D, GLuint(bound_));
    if (!enabled_)
        glDisable(GL_TEXTURE_2D);
    glActiveTexture(GLenum(unit_));
    set_ = false;
}
