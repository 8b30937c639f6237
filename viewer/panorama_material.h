// The material that draws the panorama with the viewer's own OpenGL texture
// on unit 0, in place of an engine texture in layer 0: everything else as
// the engine's solid material draws it, the layer's texture matrix, wrapping
// and filtering applied to that texture. What it changes of OpenGL's state
// it puts back when another material takes over, so that the engine, which
// remembers what it bound, finds it as it left it.
#pragma once

#include <irrlicht.h>

class PanoramaMaterial : public irr::video::IMaterialRenderer
{
public:
    // The texture `name`, with its whole mipmap chain; the material owns it
    // from then on, and deletes it with itself (the driver drops its
    // materials while its context is still current). Anisotropic filtering
    // goes up to `maxAnisotropy`, none at 1 or less.
    PanoramaMaterial(unsigned name, int maxAnisotropy) : name_(name), maxAnisotropy_(maxAnisotropy)
    {}
    ~PanoramaMaterial() override;

    void OnSetMaterial(const irr::video::SMaterial& material,
                       const irr::video::SMaterial& lastMaterial, bool resetAllRenderstates,
                       irr::video::IMaterialRendererServices* services) override;
    void OnUnsetMaterial() override;

private:
    // The texture's sampling parameters, as OpenGL names them.
    struct Sampling
    {
        int wrapS, wrapT, magnify, minify, anisotropy;
        bool operator==(const Sampling& other) const
        {
            return wrapS == other.wrapS && wrapT == other.wrapT && magnify == other.magnify &&
                   minify == other.minify && anisotropy == other.anisotropy;
        }
    };

    unsigned name_;
    int maxAnisotropy_;
    Sampling sampling_ = {}; // set on the texture; none yet
    bool set_ = false; // this material's state is in place
    // What OpenGL held before.
    int unit_ = 0, bound_ = 0, matrixMode_ = 0;
    bool enabled_ = false;
    float matrix_[16] = {};
};
