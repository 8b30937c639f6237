// JPEG through libjpeg-turbo. Library errors come back here through longjmp
// instead of ending the process; the size is checked after the header and
// before any pixel memory is taken.
#include "decode_common.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>

namespace imageload {

using namespace detail;

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

} // namespace

namespace {

bool Decode(const unsigned char* data, std::size_t size, DecodedImage& image, std::string& reason)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.message[0] = '\0';
    // Everything that must survive a longjmp lives outside this frame's
    // registers: the image (a reference) and the row buffer below.
    std::vector<unsigned char> cmykRows;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        image.pixels.reset();
        reason = std::string("damaged JPEG file: ") + err.message;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MaxLibraryMemory;
    progress.progress_monitor = OnProgress;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    if (!CheckDimensions(cinfo.image_width, cinfo.image_height, reason)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // CMYK files are turned into RGB here; everything else (grey, YCbCr,
    // RGB) by the library. Plain upsampling, as the engine's own loader does.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != (cmyk ? 4 : 3) ||
        !AllocateImage(image, cinfo.output_width, cinfo.output_height, PixelLayout::Rgb24,
                       reason)) {
        if (reason.empty())
            reason = "unsupported JPEG colour space";
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Several rows per call: with plain upsampling the library then works on
    // row pairs in place instead of through a spare row.
    constexpr JDIMENSION Batch = 16;
    const std::size_t width = cinfo.output_width;
    if (cmyk)
        cmykRows.resize(width * 4 * Batch);
    JSAMPROW rows[Batch];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min(Batch, cinfo.output_height - first);
        unsigned char* out = image.pixels.get() + std::size_t(first) * width * 3;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = cmyk ? cmykRows.data() + i * width * 4 : out + i * width * 3;
        const JDIMENSION read = jpeg_read_scanlines(&cinfo, rows, count);
        if (read == 0)
            break;
        if (cmyk) {
            // Adobe writes CMYK inverted: each stored value is 255 - ink.
            for (std::size_t i = 0; i < std::size_t(read) * width; ++i) {
                const unsigned char* p = cmykRows.data() + 4 * i;
                const unsigned k = p[3];
                out[3 * i + 0] = static_cast<unsigned char>(p[0] * k / 255);
                out[3 * i + 1] = static_cast<unsigned char>(p[1] * k / 255);
                out[3 * i + 2] = static_cast<unsigned char>(p[2] * k / 255);
            }
        }
    }
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

bool DecodeJpeg(const unsigned char* data, std::size_t size, DecodedImage& image,
                std::string& reason)
{
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8)
        return Fail(reason, "not a JPEG file");
    return Decode(data, size, image, reason);
}

} // namespace imageload
