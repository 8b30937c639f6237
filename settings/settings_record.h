// The display settings in "config.cfg", which Skyglass GUI writes and the
// viewer reads: a bare record of nine bytes, without header or checksum. Width
// and height are unsigned and big-endian, whatever the machine's byte order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Where each setting lies in the record.
enum ESettingsOffset
{
    ESO_RENDERER = 0,    // engine driver type, in E_DRIVER_TYPE numbering
    ESO_WIDTH_HIGH = 1,  // window width, high byte
    ESO_WIDTH_LOW = 2,   // window width, low byte
    ESO_HEIGHT_HIGH = 3, // window height, high byte
    ESO_HEIGHT_LOW = 4,  // window height, low byte
    ESO_BIT_DEPTH = 5,   // colour depth in bits per pixel
    ESO_FULL_SCREEN = 6, // full screen when non-zero
    ESO_STENCIL = 7,     // stencil buffer when non-zero
    ESO_VSYNC = 8        // vertical sync when non-zero
};

// The record: the bytes Skyglass GUI writes.
constexpr std::size_t SettingsRecordSize = 9;
// The bytes the viewer reads from the start of the file: the record and two
// more, which it ignores.
constexpr std::size_t SettingsReadSize = 11;

using SettingsRecord = std::array<std::uint8_t, SettingsRecordSize>;

struct Settings
{
    std::uint8_t renderer;  // engine driver type
    std::int32_t resx;      // window width, 0 to 65535
    std::int32_t resy;      // window height, 0 to 65535
    std::uint8_t bpp;       // colour depth in bits per pixel
    std::int8_t screenmode; // full screen when non-zero
    std::int8_t stencil;    // stencil buffer when non-zero
    std::int8_t vsync;      // vertical sync when non-zero
};

// What the viewer uses without a "config.cfg", and what the build writes as
// the first one: OpenGL, 800 x 600, 32 bits, windowed, no stencil buffer, no
// vertical sync.
constexpr Settings DefaultSettings = {5, 800, 600, 32, 0, 0, 0};

// Decodes the record at the start of `bytes`, which holds at least
// SettingsRecordSize bytes.
constexpr Settings DecodeSettings(const std::uint8_t* bytes)
{
    return {bytes[ESO_RENDERER],
            bytes[ESO_WIDTH_HIGH] * 256 + bytes[ESO_WIDTH_LOW],
            bytes[ESO_HEIGHT_HIGH] * 256 + bytes[ESO_HEIGHT_LOW],
            bytes[ESO_BIT_DEPTH],
            static_cast<std::int8_t>(bytes[ESO_FULL_SCREEN]),
            static_cast<std::int8_t>(bytes[ESO_STENCIL]),
            static_cast<std::int8_t>(bytes[ESO_VSYNC])};
}

// The record of `settings`; width and height must lie from 0 to 65535.
constexpr SettingsRecord EncodeSettings(const Settings& settings)
{
    SettingsRecord record = {};
    record[ESO_RENDERER] = settings.renderer;
    record[ESO_WIDTH_HIGH] = static_cast<std::uint8_t>(settings.resx >> 8);
    record[ESO_WIDTH_LOW] = static_cast<std::uint8_t>(settings.resx);
    record[ESO_HEIGHT_HIGH] = static_cast<std::uint8_t>(settings.resy >> 8);
    record[ESO_HEIGHT_LOW] = static_cast<std::uint8_t>(settings.resy);
    record[ESO_BIT_DEPTH] = settings.bpp;
    record[ESO_FULL_SCREEN] = static_cast<std::uint8_t>(settings.screenmode);
    record[ESO_STENCIL] = static_cast<std::uint8_t>(settings.stencil);
    record[ESO_VSYNC] = static_cast<std::uint8_t>(settings.vsync);
    return record;
}
