// What the viewer makes of a file on the engine's null driver: the picture
// of its texture, as ARGB words, and the plan it was made by.
#pragma once

#include "testimages.h"
#include "texture_plan.h"

#include <irrlicht.h>

#include <string>

struct NullEngine // a video driver without a display
{
    irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL);
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    ~NullEngine() { device->drop(); }
};

struct Shown
{
    testimages::Picture picture; // empty when the file was refused
    gpano::TexturePlan plan;
    std::string reason; // why it was refused
};

// Loads the file's bytes as the viewer loads a file.
Shown Show(const testimages::Bytes& file);
