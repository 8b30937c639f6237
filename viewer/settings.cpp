#include "settings.h"

using namespace irr;

Settings DecodeSettings(const u8 (&bytes)[SettingsBytes])
{
    Settings settings;
    settings.renderer = bytes[0];
    settings.resx = bytes[1] * 256 + bytes[2];
    settings.resy = bytes[3] * 256 + bytes[4];
    settings.bpp = bytes[5];
    settings.screenmode = static_cast<s8>(bytes[6]);
    settings.stencil = static_cast<s8>(bytes[7]);
    settings.vsync = static_cast<s8>(bytes[8]);
    return settings;
}

Settings DefaultSettings()
{
    u8 bytes[SettingsBytes] = {};
    for (u32 i = 0; i < SettingsRecordBytes; ++i)
        bytes[i] = DefaultSettingsRecord[i];
    return DecodeSettings(bytes);
}

Settings ReadSettings(io::IReadFile* file, u8 (&bytes)[SettingsBytes])
{
    if (!file)
        return DefaultSettings();
    file->read(bytes, SettingsBytes);
    return DecodeSettings(bytes);
}

bool ReleaseProbe(IrrlichtDevice*& probe, io::IFileSystem*& fileSystem, io::IReadFile*& file)
{
    if (file)
        file->drop();
    if (probe)
        probe->drop();
    file = 0;
    fileSystem = 0;
    probe = 0;
    return true;
}
