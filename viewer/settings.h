// Reading the display settings of "config.cfg" through the engine's file
// system.
#pragma once

#include <irrlicht.h>

#include "settings_record.h"

// Reads up to SettingsReadSize bytes of `file` into `bytes` (bytes the file
// lacks keep their value, zero at start-up) and decodes them; without a file,
// the defaults. The file is left open.
Settings ReadSettings(irr::io::IReadFile* file, irr::u8 (&bytes)[SettingsReadSize]);

// Drops the settings file and the probe device and clears the three pointers.
void ReleaseProbe(irr::IrrlichtDevice*& probe, irr::io::IFileSystem*& fileSystem,
                  irr::io::IReadFile*& file);
