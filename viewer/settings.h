// The display settings of "config.cfg": a bare record of nine bytes, renderer,
// width and height (big-endian, unsigned), colour depth, full screen, stencil
// buffer and vertical sync.
#ifndef SKYGLASS_VIEWER_SETTINGS_H
#define SKYGLASS_VIEWER_SETTINGS_H

#include <irrlicht.h>

constexpr irr::u32 SettingsBytes = 11; // bytes read from the start of "config.cfg"

struct Settings
{
    irr::u8 renderer;   // engine driver type, E_DRIVER_TYPE numbering
    irr::s32 resx;      // window width, 0 to 65535
    irr::s32 resy;      // window height, 0 to 65535
    irr::u8 bpp;        // colour depth in bits per pixel
    irr::s8 screenmode; // full screen when non-zero
    irr::s8 stencil;    // stencil buffer when non-zero
    irr::s8 vsync;      // vertical sync when non-zero
};

// Decodes the bytes of a settings file; bytes 9 and 10 are ignored.
Settings DecodeSettings(const irr::u8 (&bytes)[SettingsBytes]);

// The record of the default settings, which the build also writes as the
// first "config.cfg": OpenGL, 800 x 600, 32 bits, windowed, no stencil
// buffer, no vertical sync.
constexpr irr::u32 SettingsRecordBytes = 9;
constexpr irr::u8 DefaultSettingsRecord[SettingsRecordBytes] = {5, 3, 32, 2, 88, 32, 0, 0, 0};

// What the viewer uses when there is no "config.cfg": the default record.
Settings DefaultSettings();

// Reads up to SettingsBytes bytes of `file` into `bytes` (bytes the file lacks
// keep their value, zero at start-up) and decodes them; without a file, the
// defaults. The file is left open.
Settings ReadSettings(irr::io::IReadFile* file, irr::u8 (&bytes)[SettingsBytes]);

// Drops the settings file and the probe device and clears the three pointers.
bool ReleaseProbe(irr::IrrlichtDevice*& probe, irr::io::IFileSystem*& fileSystem,
                  irr::io::IReadFile*& file);

#endif
