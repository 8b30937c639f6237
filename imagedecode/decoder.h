// What every decoder uses: failing with a reason, the size limit, pixel
// writing, and RowWriter, which hands rows to the sink in bands.
#pragma once

#include "imagedecode.h"

#include <cstring>

namespace imagedecode {

inline bool Fail(std::string& reason, const char* why)
{
    reason = why;
    return false;
}

// Checks the size against the documented limit.
bool CheckDimensions(std::uint64_t width, std::uint64_t height, std::string& reason);
// For the formats the engine decodes, whole and unreduced: also at most the
// largest texture, 16384 pixels a side and 128 megapixels.
bool CheckEngineDimensions(std::uint64_t width, std::uint64_t height, std::string& reason);

inline std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline void PutRgb(unsigned char* row, std::size_t x, unsigned r, unsigned g, unsigned b)
{
    unsigned char* p = row + 3 * x;
    p[0] = static_cast<unsigned char>(r);
    p[1] = static_cast<unsigned char>(g);
    p[2] = static_cast<unsigned char>(b);
}

inline void PutArgb(unsigned char* row, std::size_t x, std::uint32_t argb)
{
    std::memcpy(row + 4 * x, &argb, 4);
}

inline void PutRgb(unsigned char* row, std::size_t x, std::uint32_t argb)
{
    PutRgb(row, x, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// Writes a colour given as 0xAARRGGBB in the row's layout.
inline void PutColor(unsigned char* row, PixelLayout layout, std::size_t x, std::uint32_t argb)
{
    if (layout == PixelLayout::Rgb24)
        PutRgb(row, x, argb);
    else
        PutArgb(row, x, argb);
}

// Hands a decoder's rows to its sink one at a time, in bands of up to
// MaxBandRows, in the picture's declared order: next() gives the memory of
// the next row (top-down 0, 1, ...; bottom-up height - 1, height - 2, ...)
// and commits the band before it once the band is full; finish() commits the
// rows handed out since. In pictures of several passes the rows start over
// after the last. Every row handed out counts as filled in `work`.
class RowWriter
{
public:
    RowWriter(RowSink& sink, DecodeWork& work) : sink_(sink), work_(work) {}
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    bool begin(const PictureInfo& picture, std::string& reason);
    unsigned char* next();
    void finish();

    const PictureInfo& picture() const { return picture_; }

private:
    RowSink& sink_;
    DecodeWork& work_;
    PictureInfo picture_;
    unsigned char* band_ = nullptr;
    std::size_t stride_ = 0;
    std::uint32_t first_ = 0; // the band handed out: its first row,
    std::uint32_t count_ = 0; // its number of rows
    std::uint32_t used_ = 0;  // and how many of them next() gave
    std::uint32_t done_ = 0;  // rows committed in this pass
};

} // namespace imagedecode
