#include "settings.h"

using namespace irr;

Settings ReadSettings(io::IReadFile* file, u8 (&bytes)[SettingsReadSize])
{
    if (!file)
        return DefaultSettings;
    file->read(bytes, SettingsReadSize);
    return DecodeSettings(bytes);
}

void ReleaseProbe(IrrlichtDevice*& probe, io::IFileSystem*& fileSystem, io::IReadFile*& file)
{
    if (file)
        file->drop();
    if (probe)
        probe->drop();
    file = 0;
    fileSystem = 0;
    probe = 0;
}
