// JPEG through libjpeg-turbo. Library errors come back here through longjmp
// instead of ending the process; the size is checked after the header and
// before any pixel memory is taken.
#include "decoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>

namespace imagedecode {

namespace {

// Progressive files can hold a great many scans, each one a pass over the
// whole picture; real files have a dozen or so.
constexpr int MaxScans = 100;

// The library's own working memory (progressive and multi-scan files keep
// every coefficient of the picture: up to 8 bytes a pixel for CMYK).
constexpr long MaxLibraryMemory = 1L << 30;

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings that mean picture data is missing or broken (the file ends early,
// or its compressed data is corrupt) refuse the file: the library would fill
// the gap with grey. Other warnings are counted, not printed.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
        code == JWRN_MUST_RESYNC) {
        ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, err->message);
        std::longjmp(err->jump, 1);
    }
    ++cinfo->err->num_warnings;
}

void OnProgress(j_common_ptr cinfo)
{
    j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > MaxScans) {
        ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
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
        jpeg_create_decompress(&cinfo);
        cinfo.mem->max_memory_to_use = MaxLibraryMemory;
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

// After the header: checks the size and sets the output. CMYK files are
// turned into RGB here; everything else (grey, YCbCr, RGB) by the library.
// Plain upsampling, as the engine's own loader does.
bool SetUpOutput(jpeg_decompress_struct& cinfo, std::string& reason)
{
    if (!CheckDimensions(cinfo.image_width, cinfo.image_height, reason))
        return false;
    cinfo.out_color_space = IsCmyk(cinfo) ? JCS_CMYK : JCS_RGB;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_components != (IsCmyk(cinfo) ? 4 : 3))
        return Fail(reason, "unsupported JPEG colour space");
    return true;
}

// The markers up to the first scan, read by the library itself.
bool Check(const unsigned char* data, std::size_t size, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a JPEG file");
    Decompressor d;
    if (setjmp(d.err.jump)) {
        jpeg_destroy_decompress(&d.cinfo);
        reason = std::string("damaged JPEG file: ") + d.err.message;
        return false;
    }
    d.create(data, size);
    jpeg_read_header(&d.cinfo, TRUE);
    const bool ok = SetUpOutput(d.cinfo, reason);
    jpeg_destroy_decompress(&d.cinfo);
    return ok;
}

// Adobe writes CMYK inverted: each stored value is 255 - ink.
void CmykToRgb(const unsigned char* cmyk, std::size_t pixels, unsigned char* out)
{
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = cmyk + 4 * i;
        const unsigned k = p[3];
        out[3 * i + 0] = static_cast<unsigned char>(p[0] * k / 255);
        out[3 * i + 1] = static_cast<unsigned char>(p[1] * k / 255);
        out[3 * i + 2] = static_cast<unsigned char>(p[2] * k / 255);
    }
}

// Reads the scan lines into the sink's bands. Several rows per call: with
// plain upsampling the library then works on row pairs in place instead of
// through a spare row. It may give fewer rows than asked; the rest belong to
// the next band.
void ReadRows(jpeg_decompress_struct& cinfo, RowSink& sink, std::vector<unsigned char>& cmykRows)
{
    const bool cmyk = IsCmyk(cinfo);
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
            CmykToRgb(rows[i], width, out + i * stride);
        sink.commit(first, read);
    }
}

bool Decode(const unsigned char* data, std::size_t size, RowSink& sink, std::string& reason)
{
    if (!Matches(data, size))
        return Fail(reason, "not a JPEG file");
    // Everything that must survive a longjmp lives outside this frame's
    // registers: the decompressor and the row buffer.
    Decompressor d;
    std::vector<unsigned char> cmykRows;
    if (setjmp(d.err.jump)) {
        jpeg_destroy_decompress(&d.cinfo);
        reason = std::string("damaged JPEG file: ") + d.err.message;
        return false;
    }
    d.create(data, size);
    jpeg_read_header(&d.cinfo, TRUE);
    if (!SetUpOutput(d.cinfo, reason)) {
        jpeg_destroy_decompress(&d.cinfo);
        return false;
    }
    // The sink learns the picture before decompression starts.
    const PictureInfo picture{d.cinfo.output_width, d.cinfo.output_height};
    if (!sink.begin(picture, reason)) {
        jpeg_destroy_decompress(&d.cinfo);
        return false;
    }
    jpeg_start_decompress(&d.cinfo);
    ReadRows(d.cinfo, sink, cmykRows);
    const bool complete = d.cinfo.output_scanline == d.cinfo.output_height;
    jpeg_destroy_decompress(&d.cinfo);
    return complete || Fail(reason, "damaged JPEG file: no more rows");
}

} // namespace

extern const Codec JpegCodec = {Matches, Check, Decode, nullptr};

} // namespace imagedecode
