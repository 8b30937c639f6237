#include "startup.h"

#include "platform.h"

#include <cstdio>

using namespace irr;

namespace {
// The largest window the viewer opens.
constexpr s32 MaxWindowSide = 16384;
constexpr s64 MaxWindowArea = 8192 * 8192;

// The renderer's name as Skyglass GUI lists it; null for 6 and above.
// The renderers that work here, the failed one left out.
const char* OtherRenderers(u8 renderer)
{
    switch (renderer) {
    case video::EDT_OPENGL:
        return "BurningsVideo or Software";
    case video::EDT_BURNINGSVIDEO:
        return "OpenGL or Software";
    case video::EDT_SOFTWARE:
        return "OpenGL or BurningsVideo";
    default:
        return "OpenGL, BurningsVideo or Software";
    }
}
} // namespace

bool AcceptSettingsFile(const char* name)
{
    const std::string reason = UnreadableFileReason(name);
    if (reason.empty())
        return true;
    std::fprintf(stderr, "skyglass: cannot read %s (%s); using the built-in settings\n", name,
                 reason.c_str());
    return false;
}

const char* RendererName(u8 renderer)
{
    static const char* const names[] = {"NULL",       "Software",   "BurningsVideo",
                                        "Direct3D 8", "Direct3D 9", "OpenGL"};
    return renderer < sizeof names / sizeof names[0] ? names[renderer] : 0;
}

bool AcceptRenderer(u8 renderer)
{
    if (renderer != video::EDT_DIRECT3D8 && renderer != video::EDT_DIRECT3D9 &&
        RendererName(renderer))
        return true;
    const char* name = RendererName(renderer);
    std::fprintf(stderr,
                 "skyglass: config.cfg chooses renderer %d (%s), which this system does not "
                 "have; choose %s in Skyglass GUI\n",
                 renderer, name ? name : "no such renderer", OtherRenderers(renderer));
    return false;
}

bool AcceptWindowSize(u8 renderer, s32 resx, s32 resy)
{
    if (renderer == video::EDT_NULL)
        return true;
    if (resx >= 1 && resx <= MaxWindowSide && resy >= 1 && resy <= MaxWindowSide &&
        s64(resx) * resy <= MaxWindowArea)
        return true;
    std::fprintf(stderr,
                 "skyglass: the window size %d x %d in config.cfg cannot be used; width and "
                 "height must be from 1 to %d, and width x height at most %lld (8192 x 8192)\n",
                 resx, resy, MaxWindowSide, static_cast<long long>(MaxWindowArea));
    return false;
}

bool AcceptDisplay(u8 renderer)
{
    if (renderer == video::EDT_NULL)
        return true;
    switch (CheckDisplay(renderer == video::EDT_OPENGL)) {
    case EDC_NOT_SET:
        std::fputs("skyglass: there is no X display to open the window on: DISPLAY is not set; "
                   "start skyglass in a desktop session\n",
                   stderr);
        return false;
    case EDC_CANNOT_OPEN:
        std::fprintf(stderr,
                     "skyglass: cannot connect to the X display \"%s\" to open the window\n",
                     DisplayName());
        return false;
    case EDC_NO_GLX:
        std::fprintf(stderr,
                     "skyglass: the X display \"%s\" has no GLX, which the renderer OpenGL needs; "
                     "choose %s in Skyglass GUI\n",
                     DisplayName(), OtherRenderers(renderer));
        return false;
    case EDC_READY:
        break;
    }
    return true;
}

void ReportRendererFailure(u8 renderer)
{
    std::fprintf(stderr,
                 "skyglass: the renderer %s could not be started on the X display \"%s\"; choose "
                 "%s in Skyglass GUI\n",
                 RendererName(renderer), DisplayName(), OtherRenderers(renderer));
}
