#include "testimages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <png.h>

using namespace testimages;

namespace {

// Bytes with chained writers.
struct Out : Bytes
{
    Out& u8(unsigned v) { return push_back(static_cast<unsigned char>(v)), *this; }
    Out& le16(unsigned v) { return u8(v).u8(v >> 8); }
    Out& le32(std::uint32_t v) { return le16(v).le16(v >> 16); }
    Out& be16(unsigned v) { return u8(v >> 8).u8(v); }
    Out& be32(std::uint32_t v) { return be16(v >> 16).be16(v); }
    Out& put(const Bytes& b) { return insert(end(), b.begin(), b.end()), *this; }
};

enum Layout
{
    Interleaved,
    RowPlanar,  // each row one channel after the other
    ImagePlanar // the whole picture one channel after the other
};

// The bytes named by `order` (R, G, B, A, I or 0) of every pixel, each row
// (of a channel) padded to `align` bytes.
Bytes Samples(const Picture& p, const std::string& order, bool bottomUp,
              Layout layout = Interleaved, unsigned align = 1)
{
    Bytes b;
    for (std::size_t image = 0; image < (layout == ImagePlanar ? order.size() : 1); ++image)
        for (unsigned i = 0; i < p.height; ++i)
            for (std::size_t row = 0; row < (layout == RowPlanar ? order.size() : 1); ++row) {
                const unsigned y = bottomUp ? p.height - 1 - i : i;
                const std::size_t start = b.size();
                for (unsigned x = 0; x < p.width; ++x)
                    for (char ch : layout == Interleaved ? order : order.substr(image + row, 1)) {
                        const unsigned shift = ch == 'A' ? 24 : ch == 'R' ? 16 : ch == 'G' ? 8 : 0;
                        b.push_back(ch == 'I'   ? p.indices[y * p.width + x]
                                    : ch == '0' ? 0
                                                : static_cast<unsigned char>(p.at(x, y) >> shift));
                    }
                while ((b.size() - start) % align)
                    b.push_back(0);
            }
    return b;
}

Bytes PaletteBytes(const Picture& p, const std::string& order)
{
    return Samples(Picture{static_cast<unsigned>(p.palette.size()), 1, p.palette}, order, false);
}

// How many equal units of `unit` bytes start at `d` (`size` bytes), at most
// `most`.
std::size_t Run(const unsigned char* d, std::size_t size, std::size_t unit, std::size_t most)
{
    std::size_t n = 1;
    while ((n + 1) * unit <= size && n < most && std::equal(d, d + unit, d + n * unit))
        ++n;
    return n;
}

// Run-length codes `size` bytes in units of `unit` bytes: two or more equal
// units as header(true, n) and one unit, other units as header(false, n)
// and the n units.
void Rle(const unsigned char* d, std::size_t size, std::size_t unit, std::size_t most,
         unsigned (*header)(bool, std::size_t), Out& out)
{
    for (std::size_t i = 0, n = 0; i < size; i += n * unit) {
        n = Run(d + i, size - i, unit, most);
        const bool run = n > 1;
        while (!run && i + (n + 1) * unit <= size && n < most &&
               Run(d + i + n * unit, size - i - n * unit, unit, 2) == 1)
            ++n;
        out.u8(header(run, n)).insert(out.end(), d + i, d + i + (run ? 1 : n) * unit);
    }
}

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* b = static_cast<Bytes*>(png_get_io_ptr(png));
    b->insert(b->end(), data, data + length);
}

} // namespace

namespace testimages {

Picture MakeTrueColor(unsigned width, unsigned height, bool alpha, bool grey)
{
    Picture p{width, height};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            const std::uint32_t r = (x * 19 + y * 3 + 7) & 0xFF;
            const std::uint32_t g = grey ? r : (y * 37 + x * 2) & 0xFF;
            const std::uint32_t b = grey ? r : (x * y * 11 + 40) & 0xFF;
            p.argb.push_back((alpha ? (x * 29 + y * 71 + 5) & 0xFF : 255) << 24 | r << 16 | g << 8 |
                             b);
        }
    return p;
}

Picture MakePaletted(unsigned width, unsigned height, unsigned colors)
{
    Picture p{width, height};
    for (std::uint32_t i = 0; i < colors; ++i)
        p.palette.push_back(colors == 2
                                ? (i ? 0xFFFFFFFFu : 0xFF000000u)
                                : ((255 - i * 17) & 0xFF) << 24 | ((i * 47 + 3) & 0xFF) << 16 |
                                      ((255 - i * 13) & 0xFF) << 8 | ((i * 101 + 50) & 0xFF));
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            // Runs of equal indices so that run-length encoders have work.
            p.indices.push_back(static_cast<unsigned char>(((x / 3) * 7 + y * 5) % colors));
            p.argb.push_back(p.palette[p.indices.back()]);
        }
    return p;
}

Bytes EncodeBmp(const Picture& p, const std::string& order, bool rle, bool topDown)
{
    const std::uint32_t colors = order == "I" ? p.palette.size() : 0;
    Out b;
    b.u8('B').u8('M').le32(0).le32(0).le32(54 + 4 * colors).le32(40).le32(p.width);
    b.le32(topDown ? 0u - p.height : p.height).le16(1).le16(8 * order.size()).le32(rle).le32(0);
    b.le32(2835).le32(2835).le32(colors).le32(0).put(colors ? PaletteBytes(p, "BGR0") : Bytes());
    const Bytes pixels = Samples(p, order, !topDown, Interleaved, rle ? 1 : 4);
    if (!rle)
        return b.put(pixels);
    for (std::size_t row = 0; row < pixels.size(); row += p.width) {
        // A literal run of five indices, then runs of equal indices.
        b.u8(0).u8(5).insert(b.end(), &pixels[row], &pixels[row + 5]);
        b.u8(0);
        for (std::size_t x = 5, n = 0; x < p.width; x += n) {
            n = Run(&pixels[row + x], p.width - x, 1, 255);
            b.u8(n).u8(pixels[row + x]);
        }
        b.u8(0).u8(row + p.width == pixels.size());
    }
    return b;
}

Bytes EncodePcx(const Picture& p, const std::string& order)
{
    const std::size_t line = (p.width + 1) & ~1u, all = line * order.size();
    Out b;
    b.u8(0x0A).u8(5).u8(1).u8(8).le32(0).le16(p.width - 1).le16(p.height - 1).le32(0);
    b.resize(65, 0); // no 16-colour palette
    b.u8(order.size()).le16(line).le16(1).resize(128, 0);
    const Bytes pixels = Samples(p, order, false, RowPlanar, 2);
    for (std::size_t i = 0, n = 0; i < pixels.size(); i += n) {
        n = Run(&pixels[i], all - i % all, 1, 63);
        if (n > 1 || pixels[i] >= 0xC0)
            b.u8(0xC0 | n);
        b.u8(pixels[i]);
    }
    if (order == "I")
        b.u8(0x0C).put(PaletteBytes(p, "RGB"));
    return b;
}

Bytes EncodePnm(const Picture& p, const std::string& order, bool ascii)
{
    const std::string head = "P" + std::to_string((order.size() % 3 ? 2 : 3) + (ascii ? 0 : 3)) +
                             "\n# made by the tests\n" + std::to_string(p.width) + " " +
                             std::to_string(p.height) +
                             (order.size() % 2 ? "\n255\n" : "\n65535\n");
    Out b;
    b.insert(b.end(), head.begin(), head.end());
    for (unsigned char v : Samples(p, order, false)) {
        const std::string text = std::to_string(v) + "\n";
        if (ascii)
            b.insert(b.end(), text.begin(), text.end());
        else
            b.u8(v);
    }
    return b;
}

Bytes EncodePsd(const Picture& p, const std::string& order, bool rle)
{
    Out b, data;
    b.u8('8').u8('B').u8('P').u8('S').be16(1).be32(0).be16(0).be16(order.size()).be32(p.height);
    b.be32(p.width).be16(8).be16(order.size() == 1 ? 1 : 3).be32(0).be32(0).be32(0).be16(rle);
    const Bytes pixels = Samples(p, order, false, ImagePlanar);
    if (!rle)
        return b.put(pixels);
    for (std::size_t row = 0; row < pixels.size(); row += p.width) {
        const std::size_t before = data.size();
        Rle(
            &pixels[row], p.width, 1, 128,
            [](bool run, std::size_t n) { return unsigned(run ? 257 - n : n - 1); }, data);
        b.be16(data.size() - before);
    }
    return b.put(data);
}

Bytes EncodeSgi(const Picture& p, const std::string& order, bool rle)
{
    Out b, data;
    b.be16(474).u8(rle).u8(1).be16(order.size() == 1 ? 2 : 3).be16(p.width).be16(p.height);
    b.be16(order.size()).be32(0).be32(255).resize(512, 0);
    const Bytes pixels = Samples(p, order, true, ImagePlanar);
    if (!rle)
        return b.put(pixels);
    std::vector<std::uint32_t> starts, lengths;
    for (std::size_t row = 0; row < pixels.size(); row += p.width) {
        starts.push_back(data.size());
        Rle(
            &pixels[row], p.width, 1, 127,
            [](bool run, std::size_t n) { return unsigned(run ? n : 0x80 | n); }, data);
        lengths.push_back(data.u8(0).size() - starts.back());
    }
    for (std::uint32_t start : starts)
        b.be32(512 + 8 * starts.size() + start);
    for (std::uint32_t length : lengths)
        b.be32(length);
    return b.put(data);
}

Bytes EncodeTga(const Picture& p, const std::string& order, bool rle, bool topDown)
{
    const bool mapped = order == "I";
    Out b;
    b.u8(3).u8(mapped).u8((mapped ? 1 : order.size() == 1 ? 3 : 2) + (rle ? 8 : 0)).le16(0);
    b.le16(mapped ? p.palette.size() : 0).u8(mapped ? 24 : 0).le32(0).le16(p.width).le16(p.height);
    b.u8(8 * order.size()).u8((topDown ? 0x20 : 0) | (order.size() == 4 ? 8 : 0));
    b.u8('i').u8('d').u8('!').put(mapped ? PaletteBytes(p, "BGR") : Bytes());
    const Bytes pixels = Samples(p, order, !topDown);
    if (!rle)
        return b.put(pixels);
    Rle(
        pixels.data(), pixels.size(), order.size(), 128,
        [](bool run, std::size_t n) { return unsigned(run ? 0x7F + n : n - 1); }, b);
    return b;
}

Bytes EncodeJpeg(const Picture& p, const std::string& order, JpegKind kind, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = p.width;
    cinfo.image_height = p.height;
    cinfo.input_components = static_cast<int>(order.size());
    cinfo.in_color_space = order.size() == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    std::vector<jpeg_scan_info> scans = {{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
    for (int k = 1; k < 3 * 64; ++k)
        if (k % 64)
            scans.push_back({1, {k / 64, 0, 0, 0}, k % 64, k % 64, 0, 0});
    if (kind == JpegKind::ManyScans) {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    Bytes pixels = Samples(p, order, false);
    for (JSAMPROW row = pixels.data(); cinfo.next_scanline < p.height;
         row += p.width * order.size())
        jpeg_write_scanlines(&cinfo, &row, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const Bytes b(out, out + size);
    std::free(out);
    return b;
}

// Without an error handler of ours libpng aborts on an error, which only a
// fault in this encoder could cause.
Bytes EncodePng(const Picture& p, const std::string& order, bool interlaced)
{
    const int type = order == "I"      ? PNG_COLOR_TYPE_PALETTE
                     : order == "R"    ? PNG_COLOR_TYPE_GRAY
                     : order == "RA"   ? PNG_COLOR_TYPE_GRAY_ALPHA
                     : order == "RGBA" ? PNG_COLOR_TYPE_RGB_ALPHA
                                       : PNG_COLOR_TYPE_RGB;
    Bytes b, colors = PaletteBytes(p, "RGB"), alphas = PaletteBytes(p, "A");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &b, PngWrite, nullptr);
    png_set_IHDR(png, info, p.width, p.height, order.size() == 6 ? 16 : 8, type,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, reinterpret_cast<png_colorp>(colors.data()), int(p.palette.size()));
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    }
    png_write_info(png, info);
    Bytes pixels = Samples(p, order, false);
    std::vector<png_bytep> rows;
    for (unsigned y = 0; y < p.height; ++y)
        rows.push_back(&pixels[y * p.width * order.size()]);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return b;
}

Bytes EncodeWal(const Picture& p)
{
    Out b;
    b.resize(32, 0); // name
    b.le32(p.width).le32(p.height);
    for (unsigned level = 0, offset = 100; level < 4;
         offset += (p.width >> level) * (p.height >> level), ++level)
        b.le32(offset);
    b.resize(100, 0);
    for (unsigned level = 0; level < 4; ++level)
        for (unsigned y = 0; y < p.height; y += 1 << level)
            for (unsigned x = 0; x < p.width; x += 1 << level)
                b.u8(p.indices[y * p.width + x]);
    return b;
}

Bytes EncodeLmp(const Picture& p)
{
    Out b;
    return b.le32(p.width).le32(p.height).put(p.indices);
}

} // namespace testimages

std::vector<ImageCase> ValidCases()
{
    const Picture rgb = MakeTrueColor(13, 7, false), rgba = MakeTrueColor(13, 7, true);
    const Picture grey = MakeTrueColor(13, 7, false, true), pal = MakePaletted(13, 7, 256);
    const Picture quake = MakePaletted(16, 8, 256);
    const Bytes tgaRgb = EncodeTga(rgb, "BGR"), tgaRgba = EncodeTga(rgba, "BGRA");
    const Bytes tgaGrey = EncodeTga(grey, "R");
    // The engine keeps paletted pictures in 5 bits per channel. Where it
    // misreads a variant, a reference it reads correctly is named.
    return {
        {"Bmp8Bit", "bmp", EncodeBmp(pal, "I"), {}, "", 5},
        {"Bmp8BitRle", "bmp", EncodeBmp(pal, "I", true), {}, "", 5},
        {"Bmp24Bit", "bmp", EncodeBmp(rgb, "BGR")},
        {"Bmp24BitTopDown", "bmp", EncodeBmp(rgb, "BGR", false, true), tgaRgb, "tga"},
        {"Bmp32Bit", "bmp", EncodeBmp(rgba, "BGRA")},
        {"Pcx256", "pcx", EncodePcx(pal, "I"), {}, "", 5},
        {"Pcx24Bit", "pcx", EncodePcx(rgb, "RGB")},
        // The engine swaps red and blue in colour files.
        {"PgmAscii", "ppm", EncodePnm(grey, "R", true)},
        {"PpmBinary", "ppm", EncodePnm(rgb, "RGB"), tgaRgb, "tga"},
        {"PpmBinary16Bit", "ppm", EncodePnm(rgb, "RRGGBB"), tgaRgb, "tga"},
        // Without an alpha channel the engine leaves alpha undefined.
        {"PsdRaw", "psd", EncodePsd(rgb, "RGB", false), tgaRgb, "tga"},
        {"PsdRleAlpha", "psd", EncodePsd(rgba, "RGBA", true)},
        {"PsdRleGrey", "psd", EncodePsd(grey, "R", true), tgaGrey, "tga"},
        // The engine shows grey files in blue and mixes up RGBA channels.
        {"SgiGrey", "rgb", EncodeSgi(grey, "R", false), tgaGrey, "tga"},
        {"SgiRgbaRle", "rgb", EncodeSgi(rgba, "RGBA", true), tgaRgba, "tga"},
        {"Tga24", "tga", tgaRgb},
        {"TgaPalette", "tga", EncodeTga(pal, "I"), {}, "", 5},
        {"TgaRle32TopDown", "tga", EncodeTga(rgba, "BGRA", true, true)},
        // Compressed grey files are beyond the engine.
        {"TgaRleGrey", "tga", EncodeTga(grey, "R", true), tgaGrey, "tga"},
        {"JpegBaseline", "jpg", EncodeJpeg(rgb, "RGB")},
        {"JpegGrey", "jpg", EncodeJpeg(grey, "R")},
        {"JpegProgressive", "jpg", EncodeJpeg(rgb, "RGB", JpegKind::Progressive)},
        {"PngPalette", "png", EncodePng(pal, "I")},
        {"PngGreyAlpha", "png", EncodePng(MakeTrueColor(13, 7, true, true), "RA")},
        {"Png16Bit", "png", EncodePng(rgb, "RRGGBB")},
        {"PngInterlaced", "png", EncodePng(rgba, "RGBA", true)},
        {"Wal", "wal", EncodeWal(quake)},
        {"Lmp", "lmp", EncodeLmp(quake)},
    };
}
