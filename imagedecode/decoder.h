// What every decoder uses: the Decoder each format's open() gives, failing
// with a reason, the size limit, pixel writing, and RowWriter, which hands
// rows to the sink in bands.
#pragma once

#include "imagedecode.h"
#include "source.h"

#include <cstring>
#include <type_traits>

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

// One file opened by its format: the header and the metadata are read, and
// the decoder goes on from there to the rows.
class Decoder
{
public:
    virtual ~Decoder() = default;

    const ImageDescription& description() const { return description_; }

    // The smallest size the decoder can give the picture at that still
    // covers `wanted` on both sides (JPEG decodes at 1/2, 1/4 or 1/8 for less
    // work); by default the picture's own size.
    virtual PictureSize sizeCovering(PictureSize) const { return description_.size(); }

    // Decodes the picture once, at `size` (its own or one sizeCovering
    // gave), into the sink, counting the work; false says why.
    virtual bool decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason) = 0;

protected:
    ImageDescription description_;
};

// The decoder of a format read from the mapped file, whose header a parse
// checks and keeps: the formats' open() is OpenMapped with their three
// functions,
//   bool Parse(const unsigned char* data, std::size_t size, Header&, std::string& reason);
//   PictureInfo Describe(const Header&);
//   bool Decode(const unsigned char* data, std::size_t size, const Header&, RowSink&,
//               DecodeWork&, std::string& reason);
// and, for a format that may carry a colour profile,
//   IccProfile ProfileOf(const Header&);
// Decode is called after Parse has accepted the file.
template <typename Header, auto Parse, auto Describe, auto DecodeRows, auto ProfileOf = nullptr>
class MappedDecoder : public Decoder
{
public:
    MappedDecoder(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool parse(std::string& reason)
    {
        if (!Parse(data_, size_, header_, reason))
            return false;
        description_.picture = Describe(header_);
        if constexpr (!std::is_same_v<decltype(ProfileOf), std::nullptr_t>)
            description_.profile = ProfileOf(header_);
        return true;
    }

    bool decode(RowSink& sink, PictureSize, DecodeWork& work, std::string& reason) override
    {
        return DecodeRows(data_, size_, header_, sink, work, reason);
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    Header header_;
};

// What a piece of metadata over its limit (MaxXmpBytes, MaxProfileBytes)
// gets: "the <what> is larger than <limit> MiB".
inline std::string LargerThanLimit(const char* what, std::size_t limit)
{
    return std::string("the ") + what + " is larger than " + std::to_string(limit >> 20) + " MiB";
}

// Whether a colour profile of `bytes` is more than a file may give; says so
// in `problem` when it is.
inline bool ProfileTooLarge(std::uint64_t bytes, std::string& problem)
{
    if (bytes <= MaxProfileBytes)
        return false;
    problem = LargerThanLimit("colour profile", MaxProfileBytes);
    return true;
}

// Where a header found a colour profile: its bytes in the file, or why it
// cannot be taken.
struct ProfileInFile
{
    bool found = false;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::string problem;

    bool usable() const { return found && problem.empty(); }
    IccProfile take() const
    {
        IccProfile profile{found, {}, problem};
        if (usable())
            profile.data.assign(data, data + size);
        return profile;
    }
};

// For the formats the engine decodes: their header is the picture's size,
// and their files are checked here, never decoded.
inline PictureInfo DescribeSize(const PictureSize& size)
{
    return {size.width, size.height};
}
inline bool NotDecodedHere(const unsigned char*, std::size_t, const PictureSize&, RowSink&,
                           DecodeWork&, std::string& reason)
{
    return Fail(reason, "the file holds no picture this library decodes");
}

// The decoder of a format read from the mapped file by its library, whose
// open(data, size, reason) reads the header.
template <class LibraryDecoder>
std::unique_ptr<Decoder> OpenWithLibrary(Source& source, std::string& reason)
{
    const unsigned char* data = source.bytes(reason);
    if (!data)
        return nullptr;
    auto decoder = std::make_unique<LibraryDecoder>();
    if (!decoder->open(data, source.size(), reason))
        return nullptr;
    return decoder;
}

template <typename Header, auto Parse, auto Describe, auto DecodeRows, auto ProfileOf = nullptr>
std::unique_ptr<Decoder> OpenMapped(Source& source, std::string& reason)
{
    const unsigned char* data = source.bytes(reason);
    if (!data)
        return nullptr;
    auto decoder = std::make_unique<MappedDecoder<Header, Parse, Describe, DecodeRows, ProfileOf>>(
        data, source.size());
    if (!decoder->parse(reason))
        return nullptr;
    return decoder;
}

} // namespace imagedecode
