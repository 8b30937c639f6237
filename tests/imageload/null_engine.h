// A null-driver engine for tests that need a video driver but no display.
#pragma once

#include "testimages.h"

#include <irrlicht.h>
#include <string>

class NullEngine
{
public:
    NullEngine();
    ~NullEngine();
    NullEngine(const NullEngine&) = delete;
    NullEngine& operator=(const NullEngine&) = delete;

    // Decodes with the engine's own decoders, choosing by the extension.
    irr::video::IImage* engineDecode(const testimages::Bytes& bytes, const std::string& ext);

    irr::IrrlichtDevice* device;
    irr::video::IVideoDriver* driver;
};
