#include "vesper.h"

#include <cassert>

using namespace irr;

gui::IGUIImage* gti;
core::rect<s32> tixy;
gui::IGUIImage* subtitlesbg;
core::rect<s32> stxy;

namespace {
io::path pathFrom(const char* name)
{
    return name ? io::path(name) : io::path();
}

// Loads the image into a long-lived element and stretches it over the
// rectangle as it stands now.
void pasteInto(gui::IGUIImage* element, const core::rect<s32>& area, const char* name)
{
    assert(element != nullptr);
    video::ITexture* texture = driver->getTexture(pathFrom(name));
    element->setImage(texture);
    element->setAlignment(gui::EGUIA_SCALE, gui::EGUIA_SCALE, gui::EGUIA_SCALE, gui::EGUIA_SCALE);
    element->setScaleImage(true);
    element->setRelativePosition(area);
    element->setVisible(true);
}
} // namespace

void vpPasteImage(const char* path, s32 x, s32 y)
{
    video::ITexture* texture = driver->getTexture(pathFrom(path));
    guienv->addImage(texture, core::position2d<s32>(x, y), true, nullptr, -1, nullptr);
}

void vpPasteTool(const char* name)
{
    pasteInto(gti, tixy, name);
}

void vpPasteSubtitles(const char* name)
{
    pasteInto(subtitlesbg, stxy, name);
}
