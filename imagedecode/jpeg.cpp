// JPEG through libjpeg-turbo. Library errors come back here through longjmp
// instead of ending the process; the size is checked after the header and
// before any pixel memory is taken.
//
// What is refused, and what is not: data that is corrupt or ends early
// (every warning of the library that says so, on every coding, to the end
// marker), scans without data, more than MaxScans scans. What loads: bytes
// after the end marker (phones append videos there), bytes of padding
// before a marker (one value repeated, as some cameras write before the end
// marker), stray bytes between the header's markers, and the harmless
// header warnings (an unknown Adobe transform or JFIF version, a bad ICC
// marker, odd scan parameters of a sequential file).
#include "byte_reader.h"
#include "decoder.h"
#include "xmp_packet.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>

namespace imagedecode {

namespace {

// Progressive files can hold a great many scans, each one a pass over the
// whole picture; real files have a dozen or so.
constexpr unsigned MaxScans = 100;

// The library's own working memory is capped at 2 bytes per coded sample
// (the coefficients that progressive and multi-scan files keep: every
// component in whole MCUs) plus this margin for its tables and row buffers.
constexpr long LibraryMemoryMargin = 32L << 20;
// And at most this in all: progressive files up to about 700 megapixels
// with colour subsampled 2 x 2 (3 bytes a pixel), 350 without (6 bytes).
constexpr std::uint64_t MaxLibraryMemory = std::uint64_t(2) << 30;

// The file's markers up to its end marker, read without decoding: how many
// scans it has, whether one of them carries no data, and the XMP packet
// before the first. Bytes are skipped between markers as the library skips
// them.
struct IccPiece
{
    unsigned sequence, count; // 1-based, of how many
    const unsigned char* data;
    std::size_t size;
};

struct Layout
{
    unsigned scans = 0;
    bool emptyScan = false;
    XmpPacket xmp;
    std::vector<IccPiece> icc; // the APP2 ICC_PROFILE segments before the first scan
};

constexpr char IccHeader[] = "ICC_PROFILE"; // and its terminating zero

// An APP2 segment's data (after its length) that holds a piece of the ICC
// profile: the header, the piece's number and the count of pieces.
void TakeIccPiece(const unsigned char* segment, std::size_t size, Layout& layout)
{
    constexpr std::size_t Head = sizeof IccHeader + 2;
    if (size < Head || std::memcmp(segment, IccHeader, sizeof IccHeader) != 0)
        return;
    layout.icc.push_back(
        {segment[sizeof IccHeader], segment[sizeof IccHeader + 1], segment + Head, size - Head});
}

// The pieces joined in their order: every one from 1 to their count once,
// and at most MaxProfileBytes in all.
IccProfile JoinIccPieces(std::vector<IccPiece> pieces)
{
    IccProfile profile;
    if (pieces.empty())
        return profile;
    profile.found = true;
    std::sort(pieces.begin(), pieces.end(),
              [](const IccPiece& a, const IccPiece& b) { return a.sequence < b.sequence; });
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].count != pieces.size() || pieces[i].sequence != i + 1) {
            profile.problem = "the pieces of the colour profile do not fit together";
            return profile;
        }
        bytes += pieces[i].size;
    }
    if (ProfileTooLarge(bytes, profile.problem))
        return profile;
    for (const IccPiece& piece : pieces)
        profile.data.insert(profile.data.end(), piece.data, piece.data + piece.size);
    return profile;
}

bool IsRestart(unsigned code)
{
    return code >= 0xD0 && code <= 0xD7;
}

// From `pos`, the next marker's code (0 when there is none) and the position
// after it; `first` is where its fill bytes start.
unsigned NextMarker(const unsigned char* data, std::size_t size, std::size_t& pos,
                    std::size_t& first)
{
    while (pos < size) {
        const void* ff = std::memchr(data + pos, 0xFF, size - pos);
        if (!ff)
            break;
        first = pos = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - data);
        while (pos < size && data[pos] == 0xFF)
            ++pos;
        if (pos < size && data[pos++] != 0)
            return data[pos - 1];
    }
    pos = size;
    return 0;
}

Layout ReadLayout(const unsigned char* data, std::size_t size)
{
    Layout layout;
    std::size_t pos = 2, first = 0;
    for (;;) {
        const unsigned code = NextMarker(data, size, pos, first);
        if (code == 0 || code == 0xD9)
            return layout;
        if (code == 0xD8 || code == 0x01 || IsRestart(code))
            continue; // markers without a segment
        if (size - pos < 2 || LoadBe16(data + pos) < 2 || size - pos < LoadBe16(data + pos))
            return layout;
        const std::size_t length = LoadBe16(data + pos);
        if (code == 0xE1 && layout.scans == 0 && !layout.xmp.found)
            TakeJpegXmp(data + pos + 2, length - 2, layout.xmp);
        // Past 255 pieces of 64 KiB the profile is too large anyway.
        if (code == 0xE2 && layout.scans == 0 && layout.icc.size() < 256)
            TakeIccPiece(data + pos + 2, length - 2, layout);
        pos += length;
        if (code != 0xDA)
            continue;
        // A scan: its data runs to the next marker other than a restart
        // marker; stuffed zeros after 0xFF are data.
        ++layout.scans;
        std::uint64_t bytes = 0;
        for (;;) {
            const std::size_t start = pos;
            const unsigned next = NextMarker(data, size, pos, first);
            bytes += (next ? first : size) - start;
            if (next == 0 || !IsRestart(next)) {
                pos = next ? first : size;
                break;
            }
        }
        // Stuffed zeros count as data too; NextMarker stepped over them.
        if (bytes == 0)
            layout.emptyScan = true;
    }
}

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    const unsigned char* data;
    bool inScans; // the header has been read
    unsigned scans;
};

[[noreturn]] void Stop(j_common_ptr cinfo)
{
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    Stop(cinfo);
}

// Extraneous bytes before a marker are padding when they are one value
// repeated. The library warns with its source just past them, at the
// marker's fill bytes.
bool IsPadding(j_common_ptr cinfo)
{
    const ErrorManager* err = reinterpret_cast<const ErrorManager*>(cinfo->err);
    const j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
    const std::size_t end = static_cast<std::size_t>(d->src->next_input_byte - err->data);
    const std::size_t count = static_cast<std::size_t>(cinfo->err->msg_parm.i[0]);
    if (count == 0 || count > end)
        return false;
    const unsigned char* bytes = err->data + end - count;
    return std::all_of(bytes, bytes + count, [&](unsigned char b) { return b == bytes[0]; });
}

// Warnings that say the picture data is corrupt or missing refuse the file:
// the library would show garbage or grey. See the policy at the top.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    const ErrorManager* err = reinterpret_cast<const ErrorManager*>(cinfo->err);
    switch (cinfo->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA:
        if (!err->inScans || IsPadding(cinfo))
            break;
        Stop(cinfo);
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
    case JWRN_NOT_SEQUENTIAL:
        break;
    default:
        Stop(cinfo);
    }
    ++cinfo->err->num_warnings;
}

void OnProgress(j_common_ptr cinfo)
{
    j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->scans = std::max(err->scans, unsigned(std::max(d->input_scan_number, 0)));
    if (err->scans > MaxScans) {
        std::snprintf(err->message, sizeof err->message, "the JPEG file has too many scans");
        std::longjmp(err->jump, 1);
    }
}

// A decompressor whose errors and warnings come back to the frame that
// called setjmp on `err.jump`.
struct Decompressor
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;

    void create(const unsigned char* data, std::size_t size)
    {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = OnError;
        err.pub.emit_message = OnMessage;
        err.message[0] = '\0';
        err.data = data;
        err.inScans = false;
        err.scans = 0;
        jpeg_create_decompress(&cinfo);
        progress.progress_monitor = OnProgress;
        cinfo.progress = &progress;
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    }
};

bool Matches(const unsigned char* d, std::size_t size)
{
    return size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

bool IsCmyk(const jpeg_decompress_struct& cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// After the header: checks the size and sets the output. With a colour
// profile the samples it describes go out as they are: grey, RGB or CMYK;
// without one every picture goes out as RGB, CMYK turned into RGB here and
// everything else (grey, YCbCr, RGB) by the library. Plain upsampling, as
// the engine's own loader does.
bool SetUpOutput(jpeg_decompress_struct& cinfo, bool profile, PixelLayout& layout,
                 std::string& reason)
{
    if (!CheckDimensions(cinfo.image_width, cinfo.image_height, reason))
        return false;
    layout = PixelLayout::Rgb24;
    cinfo.out_color_space = JCS_RGB;
    if (IsCmyk(cinfo)) {
        cinfo.out_color_space = JCS_CMYK;
        layout = profile ? PixelLayout::Cmyk32 : PixelLayout::Rgb24;
    } else if (profile && cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        layout = PixelLayout::Grey8;
    }
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_calc_output_dimensions(&cinfo);
    const int components = cinfo.out_color_space == JCS_CMYK        ? 4
                           : cinfo.out_color_space == JCS_GRAYSCALE ? 1
                                                                    : 3;
    if (cinfo.output_components != components)
        return Fail(reason, "unsupported JPEG colour space");
    return true;
}

// The file's scans, counted from its markers.
bool CheckScans(const unsigned char* data, std::size_t size, Layout& layout, std::string& reason)
{
    layout = ReadLayout(data, size);
    if (layout.scans > MaxScans)
        return Fail(reason, "the JPEG file has too many scans (more than 100)");
    if (layout.emptyScan)
        return Fail(reason, "damaged JPEG file: a scan without data");
    return true;
}

// After the header: the library's memory, 2 bytes per coded sample and the
// margin.
void CapLibraryMemory(jpeg_decompress_struct& cinfo)
{
    std::uint64_t samples = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        const auto roundUp = [](std::uint64_t n, std::uint64_t step) {
            return (n + step - 1) / step * step;
        };
        samples += roundUp(component.width_in_blocks, component.h_samp_factor) *
                   roundUp(component.height_in_blocks, component.v_samp_factor) * DCTSIZE2;
    }
    cinfo.mem->max_memory_to_use =
        static_cast<long>(std::min(2 * samples + LibraryMemoryMargin, MaxLibraryMemory));
}

// Reads the scan lines into the sink's bands. Several rows per call: with
// plain upsampling the library then works on row pairs in place instead of
// through a spare row. It may give fewer rows than asked; the rest belong to
// the next band.
void ReadRows(jpeg_decompress_struct& cinfo, PixelLayout layout, RowSink& sink, DecodeWork& work,
              std::vector<unsigned char>& cmykRows)
{
    const bool cmyk = IsCmyk(cinfo) && layout == PixelLayout::Rgb24;
    const std::size_t width = cinfo.output_width;
    if (cmyk)
        cmykRows.resize(width * 4 * MaxBandRows);
    JSAMPROW rows[MaxBandRows];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min(MaxBandRows, cinfo.output_height - first);
        std::size_t stride = 0;
        unsigned char* out = sink.band(first, count, stride);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = cmyk ? cmykRows.data() + i * width * 4 : out + i * stride;
        const JDIMENSION read = jpeg_read_scanlines(&cinfo, rows, count);
        if (read == 0)
            break;
        for (JDIMENSION i = 0; cmyk && i < read; ++i)
            for (JDIMENSION x = 0; x < width; ++x)
                CmykToRgb(rows[i] + 4 * x, out + i * stride + 3 * x);
        sink.commit(first, read);
        work.pixelsFilled += std::uint64_t(read) * width;
    }
}

// The library decodes at a scale of M / 8 for less work: at 1/8, 1/4 and
// 1/2, which have SIMD code; other scales take longer than the full size
// (measured in bench/README.md).
constexpr unsigned ScaledEighths[] = {1, 2, 4};

// A file whose markers were counted and whose header the library has read:
// the decompressor waits before the first scan.
class JpegDecoder : public Decoder
{
public:
    JpegDecoder() = default;
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    ~JpegDecoder() override
    {
        if (created_)
            jpeg_destroy_decompress(&d_.cinfo);
    }

    bool open(const unsigned char* data, std::size_t size, std::string& reason);
    PictureSize sizeCovering(PictureSize wanted) const override;
    bool decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason) override;

private:
    // The output size at M / 8 (8 for the full size).
    PictureSize scaledTo(unsigned eighths) const;

    // Everything that must survive a longjmp lives here, outside the frames
    // that call setjmp: the decompressor and the row buffer.
    mutable Decompressor d_;
    bool created_ = false;
    std::vector<unsigned char> cmykRows_;
};

bool JpegDecoder::open(const unsigned char* data, std::size_t size, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a JPEG file");
    Layout layout;
    if (!CheckScans(data, size, layout, reason))
        return false;
    if (setjmp(d_.err.jump)) {
        reason = std::string("damaged JPEG file: ") + d_.err.message;
        return false;
    }
    d_.create(data, size);
    created_ = true;
    jpeg_read_header(&d_.cinfo, TRUE);
    description_.profile = JoinIccPieces(std::move(layout.icc));
    const bool profile = description_.profile.found && description_.profile.problem.empty();
    PixelLayout samples = PixelLayout::Rgb24;
    if (!SetUpOutput(d_.cinfo, profile, samples, reason))
        return false;
    description_.picture = PictureInfo{d_.cinfo.image_width, d_.cinfo.image_height, samples};
    description_.xmp = std::move(layout.xmp);
    return true;
}

PictureSize JpegDecoder::scaledTo(unsigned eighths) const
{
    d_.cinfo.scale_num = eighths;
    d_.cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&d_.cinfo);
    return {d_.cinfo.output_width, d_.cinfo.output_height};
}

// The smallest of the scales with SIMD code whose picture still covers
// `wanted` on both sides, or the full picture.
PictureSize JpegDecoder::sizeCovering(PictureSize wanted) const
{
    for (const unsigned eighths : ScaledEighths) {
        const PictureSize scaled = scaledTo(eighths);
        if (scaled.width >= wanted.width && scaled.height >= wanted.height)
            return scaled;
    }
    return description_.size();
}

// Decodes every scan and reads on to the end marker, so that corrupt data
// anywhere refuses the file.
bool JpegDecoder::decode(RowSink& sink, PictureSize size, DecodeWork& work, std::string& reason)
{
    if (setjmp(d_.err.jump)) {
        work.scans = d_.err.scans;
        // Past the cap the library asks for a temporary file, which it has not.
        reason = d_.cinfo.err->msg_code == JERR_NO_BACKING_STORE
                     ? "the JPEG picture needs more than 2 GiB to decode (progressive or "
                       "multi-scan files keep the whole picture's coefficients)"
                     : std::string("damaged JPEG file: ") + d_.err.message;
        return false;
    }
    unsigned eighths = 8;
    for (const unsigned scaled : ScaledEighths)
        if (eighths == 8 && scaledTo(scaled) == size)
            eighths = scaled;
    scaledTo(eighths);
    CapLibraryMemory(d_.cinfo);
    d_.err.inScans = true;
    // The sink learns the picture before decompression starts.
    const PictureInfo picture{d_.cinfo.output_width, d_.cinfo.output_height,
                              description_.picture.layout};
    if (!sink.begin(picture, reason))
        return false;
    jpeg_start_decompress(&d_.cinfo);
    ReadRows(d_.cinfo, picture.layout, sink, work, cmykRows_);
    if (d_.cinfo.output_scanline < d_.cinfo.output_height)
        return Fail(reason, "damaged JPEG file: no more rows");
    jpeg_finish_decompress(&d_.cinfo);
    work.scans = std::max(d_.err.scans, unsigned(d_.cinfo.input_scan_number));
    return true;
}

} // namespace

extern const Codec JpegCodec = {Matches, OpenWithLibrary<JpegDecoder>};

} // namespace imagedecode
