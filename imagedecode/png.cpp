// PNG through libpng's progressive reader, row by row into the sink. Every
// picture gets the transforms of libpng's simplified reader for 8-bit output
// (expanded to 8-bit RGB, or BGRA where the picture has transparency, with
// its gamma and sRGB handling); 16-bit samples are read the same way, sRGB
// unless a chunk says otherwise, and scaled to 8 bits. A picture with a
// colour profile (iCCP, and no sRGB chunk) instead hands on the samples the
// profile describes, at their depth, with no gamma or colour chunk applied,
// for the colour stage.
//
// The decoder hands the file to libpng chunk by chunk: before the picture
// data only the chunks that can change the pixels, each whole; then the
// picture data in pieces. It stops handing data as soon as the last row is
// complete: whatever a file holds after its picture (libpng's sequential
// reader would inflate all of it) costs nothing.
#include "byte_reader.h"
#include "decoder.h"
#include "xmp_packet.h"
#include "zlib_inflate.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace imagedecode {

namespace {

// Pieces of picture data handed to libpng at a time. After the last row
// libpng inflates what is left of the piece it was given (at most one more
// row), so a piece is never longer than the picture left to inflate could
// take, plus 63 bytes: deflate data inflates to at most 1032 bytes a byte,
// and 63 x 1032 bytes are under 64 KiB.
constexpr std::size_t DataPiece = 64 * 1024;
constexpr std::size_t LastPiece = 63;
constexpr std::uint64_t MostInflatedPerByte = 1032;

// The largest chunk before the picture data that is read at all: an ICC
// profile, whose inflated size libpng limits to 8 MB.
constexpr std::uint32_t MaxChunkBeforePicture = 16u << 20;

// Where the file's bytes come from: the file read as it goes in blocks of
// DataPiece bytes (or a whole chunk, when one is longer), so that skipping a
// chunk inside a block costs no call.
class Input
{
public:
    explicit Input(std::FILE* file) : file_(file) {}

    // Up to `most` next bytes, at least one unless the input has ended; they
    // stay valid until the next call.
    std::size_t some(std::size_t most, const unsigned char*& out)
    {
        if (pos_ == size_)
            fill(1);
        const std::size_t n = std::min(most, size_ - pos_);
        out = buffer_.data() + pos_;
        pos_ += n;
        return n;
    }
    // Exactly `n` next bytes, or null.
    const unsigned char* take(std::size_t n)
    {
        if (size_ - pos_ < n)
            fill(n);
        if (size_ - pos_ < n)
            return nullptr;
        const unsigned char* out = buffer_.data() + pos_;
        pos_ += n;
        return out;
    }
    bool skip(std::uint64_t n)
    {
        if (n <= size_ - pos_) {
            pos_ += static_cast<std::size_t>(n);
            return true;
        }
        n -= size_ - pos_;
        pos_ = size_ = 0;
        return ::fseeko(file_, static_cast<off_t>(n), SEEK_CUR) == 0;
    }

private:
    // Reads until at least `n` bytes are buffered or the file ends.
    void fill(std::size_t n)
    {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
        size_ -= pos_;
        pos_ = 0;
        buffer_.resize(std::max(n, DataPiece));
        while (size_ < n) {
            const std::size_t got =
                std::fread(buffer_.data() + size_, 1, buffer_.size() - size_, file_);
            if (got == 0)
                break;
            size_ += got;
        }
    }

    std::size_t size_ = 0; // of what the buffer holds
    std::size_t pos_ = 0;
    std::FILE* file_;
    std::vector<unsigned char> buffer_;
};

// What libpng's callbacks share with the decoder.
struct Reading
{
    std::string reason;             // why libpng stopped, when the decoder has a better word
    bool profileSamples = false;    // the samples a colour profile describes, not sRGB
    PictureInfo picture;            // once libpng has read what precedes the picture data
    RowWriter* rows = nullptr;      // while the picture is decoded
    unsigned pixelBits = 0;         // in the file
    std::uint64_t pictureBytes = 0; // the inflated picture data, every pass
    std::uint64_t inflated = 0;     // of it, the rows libpng has given
    std::uint64_t widestRow = 0;    // bytes of an inflated full row, with its filter byte
    unsigned pass = 0;              // the next row handed to the sink: its pass
    std::uint32_t row = 0;          // and its index
    bool complete = false;

    // The next piece of picture data: as long as libpng can take without
    // finishing the picture more than LastPiece bytes before its end. Of
    // the picture left, up to a row may already be inflated.
    std::size_t nextPiece() const
    {
        const std::uint64_t left = pictureBytes - std::min(pictureBytes, inflated + widestRow);
        return static_cast<std::size_t>(
            std::min<std::uint64_t>(DataPiece, left / MostInflatedPerByte + LastPiece));
    }
};

void OnError(png_structp png, png_const_charp message)
{
    Reading* reading = static_cast<Reading*>(png_get_progressive_ptr(png));
    if (reading->reason.empty())
        reading->reason = std::string("damaged PNG file: ") + message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 8 && std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) == 0;
}

bool ValidDepth(unsigned colorType, unsigned depth)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case PNG_COLOR_TYPE_PALETTE:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

// The signature and the header chunk, which must come first: all within
// the file's first 33 bytes.
bool Check(const unsigned char* data, std::size_t size, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a PNG file");
    ByteReader in(data, size, 8);
    const std::uint32_t length = in.be32();
    const unsigned char* type = in.bytes(4);
    const std::uint32_t width = in.be32(), height = in.be32();
    const unsigned depth = in.u8(), colorType = in.u8();
    if (!in.ok())
        return Fail(reason, "damaged PNG file: the header is cut short");
    if (length != 13 || std::memcmp(type, "IHDR", 4) != 0)
        return Fail(reason, "damaged PNG file: the header chunk is missing");
    if (!ValidDepth(colorType, depth))
        return Fail(reason, "damaged PNG file: invalid bit depth or colour type");
    return CheckDimensions(width, height, reason);
}

// Chunks that libpng must see before the picture data: the critical ones
// (an unknown one refuses the file) and those that change the pixels.
bool ChangesPixels(const unsigned char* type)
{
    static const char* const pixelChunks[] = {"tRNS", "gAMA", "cHRM", "sRGB", "sBIT", "bKGD"};
    if (!(type[0] & 0x20))
        return true;
    return std::any_of(std::begin(pixelChunks), std::end(pixelChunks),
                       [&](const char* name) { return std::memcmp(type, name, 4) == 0; });
}

// The transforms of the simplified reader (png_image_finish_read) for 8-bit
// RGB or BGRA output, call for call: expand palettes, low bit depths and
// tRNS; grey to RGB; sRGB as the default input gamma and as the output
// gamma; 16-bit samples scaled to 8 bits.
void SetUpTransforms(png_structp png, png_infop info, bool alpha)
{
    png_set_expand(png);
    if (!(png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    if (png_get_bit_depth(png, info) == 16)
        png_set_scale_16(png);
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    if (alpha)
        png_set_bgr(png);
}

// With a colour profile, the samples it describes as the file stores them:
// palettes, low bit depths and tRNS expanded, and no gamma or colour chunk
// applied; 8-bit RGBA as BGRA, the texture's order. The layout they have.
PixelLayout SetUpProfileTransforms(png_structp png, png_infop info, bool alpha)
{
    png_set_expand(png);
    const bool colour = png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR;
    const bool wide = png_get_bit_depth(png, info) == 16;
    if (!colour)
        return alpha ? (wide ? PixelLayout::GreyAlpha16 : PixelLayout::GreyAlpha8)
                     : (wide ? PixelLayout::Grey16 : PixelLayout::Grey8);
    if (!alpha)
        return wide ? PixelLayout::Rgb48 : PixelLayout::Rgb24;
    if (wide)
        return PixelLayout::Rgba64;
    png_set_bgr(png);
    return PixelLayout::Argb32;
}

std::uint64_t RowBytes(unsigned pixelBits, std::uint64_t width)
{
    return (width * pixelBits + 7) / 8;
}

// How much data the picture inflates to, every pass: its rows before the
// transforms, each with a filter byte.
void MeasurePicture(png_structp png, png_infop info, Reading& reading)
{
    const std::uint32_t width = png_get_image_width(png, info);
    const std::uint32_t height = png_get_image_height(png, info);
    reading.pixelBits = png_get_bit_depth(png, info) * png_get_channels(png, info);
    reading.widestRow = RowBytes(reading.pixelBits, width) + 1;
    if (png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
        reading.pictureBytes = reading.widestRow * height;
        return;
    }
    for (unsigned pass = 0; pass < 7; ++pass)
        if (PNG_PASS_COLS(width, pass) > 0)
            reading.pictureBytes += std::uint64_t(PNG_PASS_ROWS(height, pass)) *
                                    (RowBytes(reading.pixelBits, PNG_PASS_COLS(width, pass)) + 1);
}

// Once libpng has the header and the chunks before the picture data: sets
// the transforms and describes the picture.
void OnInfo(png_structp png, png_infop info)
{
    Reading& reading = *static_cast<Reading*>(png_get_progressive_ptr(png));
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!CheckDimensions(width, height, reading.reason))
        png_error(png, "size");
    MeasurePicture(png, info, reading);
    const bool alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) ||
                       png_get_valid(png, info, PNG_INFO_tRNS);
    PictureInfo picture;
    if (reading.profileSamples) {
        picture.layout = SetUpProfileTransforms(png, info, alpha);
    } else {
        SetUpTransforms(png, info, alpha);
        picture.layout = alpha ? PixelLayout::Argb32 : PixelLayout::Rgb24;
    }
    picture.passes = static_cast<unsigned>(png_set_interlace_handling(png));
    png_read_update_info(png, info);
    picture.width = width;
    picture.height = height;
    if (png_get_rowbytes(png, info) != width * BytesPerPixel(picture.layout))
        png_error(png, "unexpected row size");
    reading.picture = picture;
}

// libpng gives rows in order, every row of every pass, but skips the passes
// that have no pixels; the sink still gets those rows, unchanged. A row of
// a pass that carries data (rather than the display copies libpng makes of
// it for the rows below) is picture data inflated.
void OnRow(png_structp png, png_bytep newRow, png_uint_32 rowIndex, int passIndex)
{
    Reading& reading = *static_cast<Reading*>(png_get_progressive_ptr(png));
    if (reading.complete)
        return;
    const PictureInfo& picture = reading.picture;
    const unsigned pass = static_cast<unsigned>(passIndex);
    if (!reading.rows || pass >= picture.passes || rowIndex >= picture.height ||
        pass < reading.pass || (pass == reading.pass && rowIndex < reading.row))
        png_error(png, "rows out of order");
    for (;;) {
        unsigned char* out = reading.rows->next();
        const bool wanted = reading.pass == pass && reading.row == rowIndex;
        if (++reading.row == picture.height) {
            reading.row = 0;
            ++reading.pass;
        }
        if (wanted) {
            if (newRow)
                png_progressive_combine_row(png, out, newRow);
            break;
        }
    }
    if (newRow && (picture.passes == 1 || PNG_ROW_IN_INTERLACE_PASS(rowIndex, pass)))
        reading.inflated +=
            RowBytes(reading.pixelBits,
                     picture.passes == 1 ? picture.width : PNG_PASS_COLS(picture.width, pass)) +
            1;
    // No more data follows the piece being read. (png_process_data_pause
    // would lose count of a piece of picture data.)
    if (reading.pass == picture.passes) {
        reading.complete = true;
        reading.rows->finish();
    }
}

// An iTXt chunk before the picture data, from its data on: takes its XMP
// packet when it has the XMP keyword, and skips the chunk. False when the
// file ends first.
bool ReadXmpChunk(Input& input, std::uint32_t length, XmpPacket& xmp)
{
    const std::size_t head = std::min<std::size_t>(length, PngXmpKeywordBytes);
    const unsigned char* keyword = input.take(head);
    if (!keyword)
        return false;
    if (!IsPngXmpKeyword(keyword, head))
        return input.skip(std::uint64_t(length) - head + 4);
    if (length > MaxPngXmpChunk) {
        xmp.found = true;
        xmp.problem = LargerThanLimit("XMP metadata", MaxXmpBytes);
        return input.skip(std::uint64_t(length) - head + 4);
    }
    std::string chunk(reinterpret_cast<const char*>(keyword), head);
    const unsigned char* rest = input.take(length - head + 4);
    if (!rest)
        return false;
    chunk.append(reinterpret_cast<const char*>(rest), length - head);
    TakePngXmp(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size(),
               LoadBe32(rest + length - head), xmp);
    return true;
}

// An iCCP chunk before the picture data, from its data on: takes its
// profile (a name, a zero, the compression method and the zlib data),
// inflated to at most MaxProfileBytes. False when the file ends first.
bool ReadProfileChunk(Input& input, std::uint32_t length, IccProfile& profile)
{
    profile.found = true;
    if (length > MaxChunkBeforePicture) {
        profile.problem = LargerThanLimit("colour profile", MaxProfileBytes);
        return input.skip(std::uint64_t(length) + 4);
    }
    const unsigned char* chunk = input.take(std::size_t(length) + 4);
    if (!chunk)
        return false;
    const void* end = std::memchr(chunk, 0, std::min<std::size_t>(length, 80));
    const std::size_t method =
        end ? std::size_t(static_cast<const unsigned char*>(end) - chunk) + 1 : length;
    if (!PngChunkIntact("iCCP", chunk, length, LoadBe32(chunk + length)) || method >= length ||
        chunk[method] != 0) {
        profile.problem = "the PNG chunk that holds the colour profile is damaged";
        return true;
    }
    profile.data.resize(MaxProfileBytes + 1);
    std::size_t written = 0;
    const Inflated result = InflateAtMost(chunk + method + 1, length - method - 1, MaxProfileBytes,
                                          profile.data.data(), written);
    profile.data.resize(written);
    if (result != Inflated::Whole) {
        profile.data.clear();
        profile.problem = InflateProblem(result, "colour profile", MaxProfileBytes);
    }
    return true;
}

// A file read up to its picture data, which libpng has described: the rest
// is handed to libpng as it is decoded.
class PngDecoder : public Decoder
{
public:
    explicit PngDecoder(std::FILE* file) : input_(file) {}
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;
    ~PngDecoder() override { png_destroy_read_struct(&png_, &info_, nullptr); }

    bool open(std::string& reason);
    bool decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason) override;

private:
    // libpng's errors come back by longjmp to the frames that call these,
    // which therefore own nothing.
    bool readToPicture();
    bool readPicture(DecodeWork& work);
    void give(const unsigned char* bytes, std::size_t n)
    {
        given_ += n;
        png_process_data(png_, info_, const_cast<png_bytep>(bytes), n);
    }
    bool fail(const char* why)
    {
        if (reading_.reason.empty())
            reading_.reason = why;
        return false;
    }

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    Input input_;
    Reading reading_;
    std::uint64_t given_ = 0; // bytes of the file handed to libpng
};

bool PngDecoder::open(std::string& reason)
{
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading_, OnError, OnWarning);
    info_ = png_ ? png_create_info_struct(png_) : nullptr;
    if (!info_)
        return Fail(reason, "not enough memory for the PNG decoder");
    png_set_benign_errors(png_, 1);
    png_set_progressive_read_fn(png_, &reading_, OnInfo, OnRow, nullptr);
    if (!readToPicture()) {
        reason = reading_.reason;
        return false;
    }
    description_.picture = reading_.picture;
    return true;
}

// Chunks up to the picture data: only those that change the pixels, each
// kind of ancillary chunk once (libpng ignores repeats); the XMP packet is
// taken on the way. libpng describes the picture at the picture data's
// chunk header.
bool PngDecoder::readToPicture()
{
    if (setjmp(png_jmpbuf(png_)))
        return false;
    const unsigned char* signature = input_.take(8);
    if (!signature)
        return fail("damaged PNG file: the file ends too early");
    give(signature, 8);

    XmpPacket& xmp = description_.xmp;
    bool srgb = false;
    std::uint32_t given[8] = {}; // the kinds of ancillary chunk given
    std::size_t kinds = 0;
    for (;;) {
        const unsigned char* header = input_.take(8);
        if (!header)
            return fail("damaged PNG file: the file ends before the image data");
        const std::uint32_t length = LoadBe32(header), type = LoadBe32(header + 4);
        const bool data = std::memcmp(header + 4, "IDAT", 4) == 0;
        const bool ancillary = header[4] & 0x20;
        if (length > 0x7FFFFFFF)
            return fail("damaged PNG file: invalid chunk length");
        if (std::memcmp(header + 4, "iTXt", 4) == 0 && !xmp.found) {
            if (!ReadXmpChunk(input_, length, xmp))
                return fail("damaged PNG file: the file ends before the image data");
            continue;
        }
        if (std::memcmp(header + 4, "iCCP", 4) == 0) {
            const bool read = description_.profile.found
                                  ? input_.skip(std::uint64_t(length) + 4)
                                  : ReadProfileChunk(input_, length, description_.profile);
            if (!read)
                return fail("damaged PNG file: the file ends before the image data");
            continue;
        }
        // The sRGB chunk says the samples are sRGB: nothing to convert.
        srgb = srgb || std::memcmp(header + 4, "sRGB", 4) == 0;
        const bool repeated = ancillary && std::find(given, given + kinds, type) != given + kinds;
        if (!data && (!ChangesPixels(header + 4) || repeated)) {
            if (!input_.skip(std::uint64_t(length) + 4))
                return fail("damaged PNG file: the file ends before the image data");
            continue;
        }
        if (!data && length > MaxChunkBeforePicture)
            return fail("damaged PNG file: a chunk before the image is too large");
        if (data) {
            if (srgb)
                description_.profile = IccProfile();
            reading_.profileSamples =
                description_.profile.found && description_.profile.problem.empty();
            give(header, 8);
            return true;
        }
        give(header, 8);
        if (ancillary && kinds < std::size(given))
            given[kinds++] = type;
        const unsigned char* body = input_.take(std::size_t(length) + 4);
        if (!body)
            return fail("damaged PNG file: the file ends before the image data");
        give(body, std::size_t(length) + 4);
    }
}

// The picture data and whatever follows, as it comes, until the last row.
bool PngDecoder::readPicture(DecodeWork& work)
{
    if (setjmp(png_jmpbuf(png_)))
        return false;
    while (!reading_.complete) {
        const unsigned char* piece = nullptr;
        const std::size_t n = input_.some(reading_.nextPiece(), piece);
        if (n == 0)
            return fail("damaged PNG file: the image data is cut short");
        give(piece, n);
        if (reading_.complete)
            work.bytesAfterLastRow = n;
    }
    return true;
}

bool PngDecoder::decode(RowSink& sink, PictureSize, DecodeWork& work, std::string& reason)
{
    RowWriter rows(sink, work);
    if (!rows.begin(reading_.picture, reason))
        return false;
    reading_.rows = &rows;
    const bool ok = readPicture(work);
    reading_.rows = nullptr;
    work.compressedBytes = given_;
    if (!ok) {
        reason = reading_.reason;
        return false;
    }
    work.inflatedBytes = reading_.pictureBytes +
                         std::min(reading_.widestRow, MostInflatedPerByte * work.bytesAfterLastRow);
    return true;
}

// The signature and the header chunk, from the file's first bytes, then
// libpng up to the picture data.
std::unique_ptr<Decoder> Open(Source& source, std::string& reason)
{
    if (!Check(source.head(), source.headSize(), reason))
        return nullptr;
    auto decoder = std::make_unique<PngDecoder>(source.stream());
    if (!decoder->open(reason))
        return nullptr;
    return decoder;
}

} // namespace

extern const Codec PngCodec = {Matches, Open};

} // namespace imagedecode
