// Image decoding that never trusts the file: every length, count, offset and
// run is checked against the input before a byte is written. The decoders
// know nothing of the engine; imageload.h turns their result into an engine
// image or texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace imageload {

// Largest decoded image accepted: each side at most 16384 pixels and at most
// 128 megapixels in all (16384 x 8192), so a small hostile file cannot make
// the viewer claim more than 512 MiB for its pixels.
constexpr std::uint32_t MaxImageSide = 16384;
#ifndef IMAGELOAD_FUZZING
constexpr std::uint64_t MaxImagePixels = std::uint64_t(16384) * 8192;
#else
// Fuzzing builds keep pictures small, so that the fuzzer's time goes into
// decoding rather than into filling huge empty pictures.
constexpr std::uint64_t MaxImagePixels = std::uint64_t(1) << 22;
#endif

// Largest file read at all.
constexpr std::uint64_t MaxFileSize = std::uint64_t(1) << 30;

enum class FileFormat
{
    Unknown,
    Bmp,
    Jpeg,
    Pcx,
    Png,
    Pnm,
    Psd,
    Sgi,
    Tga,
    Wal,
    Lmp
};

const char* FormatName(FileFormat format);

// Rgb24: three bytes per pixel in the order red, green, blue (the engine's
// ECF_R8G8B8). Argb32: one native 32-bit word 0xAARRGGBB per pixel (the
// engine's ECF_A8R8G8B8; bytes blue, green, red, alpha on little-endian).
enum class PixelLayout
{
    Rgb24,
    Argb32
};

struct DecodedImage
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelLayout layout = PixelLayout::Rgb24;
    std::unique_ptr<unsigned char[]> pixels; // rows top to bottom, no padding

    std::size_t BytesPerPixel() const { return layout == PixelLayout::Rgb24 ? 3 : 4; }
};

// Tells the format from the first bytes (and, for WAL and LMP, which carry no
// magic number, from a header consistent with the file size). Never looks at
// a file name.
FileFormat IdentifyImage(const unsigned char* data, std::size_t size);

// Each decoder returns true and fills `image`, or returns false and says why
// in `reason` (a short phrase without the file name).
bool DecodeBmp(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);
bool DecodeJpeg(const unsigned char* data, std::size_t size, DecodedImage& image,
                std::string& reason);
// The same, reading from an open file positioned at its start, so that a big
// PNG is decoded without holding the whole file in memory, as the engine's
// own PNG loader does.
bool DecodePngFile(std::FILE* file, DecodedImage& image, std::string& reason);
bool DecodePcx(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);
bool DecodePng(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);
bool DecodePnm(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);
bool DecodePsd(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);
bool DecodeSgi(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);
bool DecodeTga(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string& reason);

// Quake 2 textures (.wal) and Quake picture lumps (.lmp) are only checked:
// true means the whole file is consistent, so that the engine's own decoder
// reads nothing outside it. The engine then decodes them with its palette.
bool CheckWal(const unsigned char* data, std::size_t size, std::string& reason);
bool CheckLmp(const unsigned char* data, std::size_t size, std::string& reason);

// Identifies the format and decodes the file. For WAL and LMP it only checks
// the file: it returns true with `format` set and `image.pixels` left empty,
// and the caller hands the checked bytes to the engine's decoder.
bool DecodeImage(const unsigned char* data, std::size_t size, DecodedImage& image,
                 std::string& reason, FileFormat& format);

} // namespace imageload
