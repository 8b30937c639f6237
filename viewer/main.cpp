// skyglass: shows a panoramic picture from the inside. The picture named on the
// command line covers the panorama mesh around a camera that only turns, with
// the mouse. The display settings come from "config.cfg".
#include <irrlicht.h>

#include <cstdio>
#include <string>

#include "imageload.h"
#include "media.h"
#include "notice.h"
#include "platform.h"
#include "receiver.h"
#include "settings.h"
#include "startup.h"
#include "viewer.h"

using namespace irr;

// Start-up: these variables are initialised in the order they are defined,
// before main runs. A probe device with the null driver lends its file system
// to read "config.cfg"; then the real device is created with those settings.
u8 buf[SettingsReadSize] = {}; // the first bytes of "config.cfg"
IrrlichtDevice* nulldev = createDevice(video::EDT_NULL, core::dimension2d<u32>(640, 480), 16, false,
                                       false, false, 0);              // probe device
io::IFileSystem* FileSystem = nulldev ? nulldev->getFileSystem() : 0; // the probe's file system
// The engine cannot tell a missing file from an unreadable one: the latter is
// reported here, then treated as missing.
io::IReadFile* file = AcceptSettingsFile("config.cfg") && FileSystem
                          ? FileSystem->createAndOpenFile("config.cfg")
                          : 0; // settings file

// Without a readable "config.cfg" the built-in settings apply. Nothing after
// this needs the probe device or the file.
const Settings settings = [] {
    const Settings read = ReadSettings(file, buf);
    ReleaseProbe(nulldev, FileSystem, file);
    return read;
}();

u8 renderer = settings.renderer;     // engine driver type
s32 resx = settings.resx;            // window width
s32 resy = settings.resy;            // window height
u8 bpp = settings.bpp;               // colour depth
s8 screenmode = settings.screenmode; // full screen when non-zero
s8 stencil = settings.stencil;       // stencil buffer when non-zero
s8 vsync = settings.vsync;           // vertical sync when non-zero

MyEventReceiver receiver; // hands the camera only the input it may act on

// The engine opens its window while the device is created, so X errors are
// made non-fatal before that, and what cannot work is refused with its own
// line: a renderer this system lacks, an impossible size, then the display, so
// that a missing display is never blamed on the renderer. The display's check
// keeps its connection open until the engine has made its own.
IrrlichtDevice* device = [] {
    InstallXErrorHandler();
    IrrlichtDevice* created = 0;
    if (AcceptRenderer(renderer) && AcceptWindowSize(renderer, resx, resy) &&
        AcceptDisplay(renderer)) {
        created = createDevice(video::E_DRIVER_TYPE(renderer), core::dimension2d<u32>(resx, resy),
                               bpp, screenmode != 0, stencil != 0, vsync != 0, &receiver);
        if (!created)
            ReportRendererFailure(renderer);
    }
    ReleaseDisplay();
    return created;
}(); // the viewer's device
scene::ISceneManager* smgr = device ? device->getSceneManager() : 0;
video::IVideoDriver* driver = device ? device->getVideoDriver() : 0;
gui::IGUIEnvironment* guienv = device ? device->getGUIEnvironment() : 0;

SKeyMap keyMap[4];                 // the camera's movement keys
video::ITexture* cylinder = 0;     // the panorama image
gpano::TexturePlacement placement; // where it lies on the sphere
f32 heading = 0.0f;                // the camera's at the first frame, degrees right
s32 panoramamaterial = -1;         // on OpenGL, the material that draws the viewer's own texture

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs(
            "\nUsage: skyglass <imagename.ext>\n"
            "Supported formats: *.BMP, *.JPG, *.PCX, *.PNG, *.PPM, *.PSD, *.RGB, *.TGA, *.WAL",
            stdout);
        return 1;
    }
    if (!device)
        return 1;

    // The null renderer has no window: nothing could be seen or closed.
    if (driver->getDriverType() == video::EDT_NULL) {
        std::fputs("skyglass: config.cfg chooses no renderer with a window; choose one in "
                   "Skyglass GUI\n",
                   stderr);
        device->drop();
        return 1;
    }

    device->getCursorControl()->setVisible(false);
    CreateKeymap();
    // The picture is checked and decoded by the viewer's own loaders; no
    // engine loader ever sees the file. Why it cannot be shown stays on
    // screen, for a viewer started where no console is seen.
    LoadedPanorama loaded;
    cylinder = LoadPanoramaTexture(driver, argv[1], &loaded);
    placement = loaded.placement;
    heading = loaded.heading;
    panoramamaterial = loaded.materialType;
    if (!loaded.refusal.empty())
        ShowNotice(guienv, loaded.refusal.c_str(), LoadNoticeFont(guienv));
    if (!CreateWorld()) {
        device->drop();
        return 1;
    }

    while (device->run())
        DrawFrame();

    device->drop();
    return 0;
}
