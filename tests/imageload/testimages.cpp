#include "testimages.h"

#include "image_file.h"
#include "picture_buffer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

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

// The bytes named by `order` (R, G, B, A, I or 0) of every pixel, each row padded to
// `align` bytes; `planar`: the whole picture one channel after the other.
Bytes Samples(const Picture& p, const std::string& order, bool bottomUp, bool planar = false,
              unsigned align = 1)
{
    Bytes b;
    for (std::size_t c = 0; c < (planar ? order.size() : 1); ++c)
        for (unsigned i = 0; i < p.height; ++i) {
            const std::size_t at = (bottomUp ? p.height - 1 - i : i) * p.width, start = b.size();
            for (unsigned x = 0; x < p.width; ++x)
                for (char ch : planar ? order.substr(c, 1) : order)
                    b.push_back(ch == 'I'   ? p.indices[at + x]
                                : ch == '0' ? 0
                                            : p.argb[at + x] >> (std::string("BGRA").find(ch) * 8));
            b.resize(start + (b.size() - start + align - 1) / align * align, 0);
        }
    return b;
}

Bytes PaletteBytes(const Picture& p, const std::string& order)
{
    return Samples(Picture{static_cast<unsigned>(p.palette.size()), 1, p.palette}, order, false);
}

// How many equal units of `unit` bytes start at `d` (`size` bytes; at most `most`).
std::size_t Run(const unsigned char* d, std::size_t size, std::size_t unit, std::size_t most)
{
    std::size_t n = 1;
    while ((n + 1) * unit <= size && n < most && std::equal(d, d + unit, d + n * unit))
        ++n;
    return n;
}

// Run-length codes `size` bytes in units of `unit` bytes: n > 1 equal units as the byte
// run0 + step * n and one unit, n other units as literal0 + n and the n units.
void Rle(const unsigned char* d, std::size_t size, std::size_t unit, std::size_t most,
         unsigned run0, int step, unsigned literal0, Out& out)
{
    for (std::size_t i = 0, n = 0; i < size; i += n * unit) {
        n = Run(d + i, size - i, unit, most);
        const bool run = n > 1;
        while (!run && i + (n + 1) * unit <= size && n < most &&
               Run(d + i + n * unit, size - i - n * unit, unit, 2) == 1)
            ++n;
        out.u8(run ? run0 + step * int(n) : literal0 + n)
            .insert(out.end(), d + i, d + i + (run ? 1 : n) * unit);
    }
}

} // namespace

namespace testimages {

Picture MakeTrueColor(unsigned width, unsigned height, bool alpha, bool grey)
{
    Picture p{width, height};
    for (std::uint32_t i = 0, x = 0, y = 0; i < width * height; x = ++i % width, y = i / width) {
        const std::uint32_t r = (x * 19 + y * 3 + 7) & 0xFF, a = (x * 29 + y * 71 + 5) & 0xFF;
        const std::uint32_t gb = ((y * 37 + x * 2) & 0xFF) << 8 | ((x * y * 11 + 40) & 0xFF);
        p.argb.push_back((alpha ? a : 255) << 24 | r << 16 | (grey ? r * 0x101 : gb));
    }
    return p;
}

Picture MakePaletted(unsigned width, unsigned height)
{
    Picture p{width, height, {}, MakeTrueColor(256, 1, true).argb};
    for (unsigned i = 0; i < width * height; ++i) {
        // Runs of equal indices so that run-length encoders have work.
        p.indices.push_back(static_cast<unsigned char>(i % width / 3 * 7 + i / width * 5));
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
    const Bytes pixels = Samples(p, order, !topDown, 0, rle ? 1 : 4);
    for (std::size_t row = 0; rle && row < pixels.size(); row += p.width) {
        // A literal run of five indices and a pad byte, then runs of equal ones.
        b.u8(0).u8(5).put(Bytes(&pixels[row], &pixels[row + 5])).u8(0);
        for (std::size_t x = 5, n = 0; x < p.width; x += n)
            n = Run(&pixels[row + x], p.width - x, 1, 255), b.u8(n).u8(pixels[row + x]);
        b.u8(0).u8(row + p.width == pixels.size());
    }
    return rle ? b : b.put(pixels);
}

Bytes EncodeBmpAlphaMask(const Picture& p)
{
    Out b;
    b.u8('B').u8('M').le32(0).le32(0).le32(14 + 124).le32(124).le32(p.width).le32(p.height);
    b.le16(1).le16(32).le32(0).le32(0).le32(2835).le32(2835).le32(0).le32(0);
    b.le32(0).le32(0).le32(0).le32(0xFF000000u).resize(14 + 124, 0); // masks: alpha only
    return b.put(Samples(p, "BGRA", true));
}

Bytes EncodeBmpWithProfile(const Picture& p, const Bytes& profile)
{
    const Bytes pixels = Samples(p, "BGR", true, false, 4);
    const std::uint32_t size = std::uint32_t(pixels.size());
    Out b;
    b.u8('B').u8('M').le32(14 + 124 + size + std::uint32_t(profile.size())).le32(0).le32(14 + 124);
    b.le32(124).le32(p.width).le32(p.height).le16(1).le16(24).le32(0).le32(size);
    b.le32(2835).le32(2835).le32(0).le32(0).le32(0).le32(0).le32(0).le32(0); // no colour masks
    b.le32(0x4D424544).resize(14 + 108, 0); // 'MBED': the profile is embedded
    // Intent: images; where the profile lies after the header, and its size.
    b.le32(4).le32(124 + size).le32(std::uint32_t(profile.size())).le32(0);
    return b.put(pixels).put(profile);
}

Bytes EncodePcx(const Picture& p)
{
    const std::size_t line = (p.width + 1) & ~1u;
    Out b;
    b.u8(0x0A).u8(5).u8(1).u8(8).le32(0).le16(p.width - 1).le16(p.height - 1).le32(0);
    b.resize(65, 0); // no 16-colour palette
    b.u8(1).le16(line).le16(1).resize(128, 0);
    const Bytes pixels = Samples(p, "I", false, false, 2);
    for (std::size_t i = 0, n = 0; i < pixels.size(); i += n) {
        n = Run(&pixels[i], line - i % line, 1, 63);
        if (n > 1 || pixels[i] >= 0xC0)
            b.u8(0xC0 | n);
        b.u8(pixels[i]);
    }
    return b.u8(0x0C).put(PaletteBytes(p, "RGB"));
}

Bytes EncodePnm(const Picture& p, const std::string& order, const std::string& afterMaximum)
{
    const std::string head = (order.size() % 3 ? "P5\n# test\n" : "P6\n# test\n") +
                             std::to_string(p.width) + " " + std::to_string(p.height) +
                             (order.size() % 2 ? " 255" : " 65535") + afterMaximum;
    Out b;
    b.insert(b.end(), head.begin(), head.end());
    return b.put(Samples(p, order, false));
}

Bytes EncodePsd(const Picture& p, const std::string& order)
{
    Out b, data;
    b.u8('8').u8('B').u8('P').u8('S').be16(1).be32(0).be16(0).be16(order.size()).be32(p.height);
    b.be32(p.width).be16(8).be16(order.size() == 1 ? 1 : 3).be32(0).be32(0).be32(0).be16(1);
    const Bytes pixels = Samples(p, order, false, true);
    for (std::size_t row = 0, before = 0; row < pixels.size(); row += p.width) {
        Rle(&pixels[row], p.width, 1, 128, 257, -1, -1, data); // PackBits
        b.be16(data.size() - before), before = data.size();
    }
    return b.put(data);
}

Bytes EncodeSgi(const Picture& p, const std::string& order)
{
    Out b, data;
    b.be16(474).u8(1).u8(1).be16(order.size() == 1 ? 2 : 3).be16(p.width).be16(p.height);
    b.be16(order.size()).be32(0).be32(255).resize(512, 0);
    const Bytes pixels = Samples(p, order, true, true);
    const std::size_t rows = pixels.size() / p.width, first = 512 + 8 * rows;
    std::vector<std::uint32_t> table(2 * rows); // row offsets, then lengths
    for (std::size_t r = 0; r < rows; ++r) {
        table[r] = first + data.size();
        Rle(&pixels[r * p.width], p.width, 1, 127, 0, 1, 0x80, data);
        table[rows + r] = first + data.u8(0).size() - table[r];
    }
    for (std::uint32_t v : table)
        b.be32(v);
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
    if (rle)
        Rle(pixels.data(), pixels.size(), order.size(), 128, 0x7F, 1, -1, b);
    return rle ? b : b.put(pixels);
}

Bytes CompressJpeg(unsigned width, unsigned height, int components, int space,
                   const std::function<void(jpeg_compress_struct&)>& configure,
                   const std::function<void(unsigned y, unsigned char* row)>& fillRow)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = width, cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = static_cast<J_COLOR_SPACE>(space);
    jpeg_set_defaults(&cinfo);
    configure(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(std::size_t(width) * unsigned(components));
    while (cinfo.next_scanline < height) {
        fillRow(cinfo.next_scanline, row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const Bytes b(out, out + size);
    std::free(out);
    return b;
}

Bytes EncodeJpeg(const Picture& p, const std::string& order, int scans, bool arithmetic)
{
    std::vector<jpeg_scan_info> script = {{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
    for (int k = 0; k < 3 * 63; ++k)
        script.push_back({1, {k / 63, 0, 0, 0}, k % 63 + 1, k % 63 + 1, 0, 0});
    const Bytes pixels = Samples(p, order, false);
    const std::size_t rowBytes = p.width * order.size();
    return CompressJpeg(
        p.width, p.height, static_cast<int>(order.size()),
        order.size() == 1 ? JCS_GRAYSCALE : JCS_RGB,
        [&](jpeg_compress_struct& cinfo) {
            jpeg_set_quality(&cinfo, 95, TRUE);
            cinfo.arith_code = arithmetic;
            if (scans == 1)
                jpeg_simple_progression(&cinfo);
            if (scans == 2)
                cinfo.scan_info = script.data(), cinfo.num_scans = static_cast<int>(script.size());
        },
        [&](unsigned y, unsigned char* row) {
            std::copy_n(pixels.data() + y * rowBytes, rowBytes, row);
        });
}

Bytes EncodePng(const Picture& p, const std::string& order)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION, png.width = p.width, png.height = p.height;
    png.format = order == "I" ? PNG_FORMAT_RGBA_COLORMAP
                              : (order.size() > 2 ? PNG_FORMAT_FLAG_COLOR : 0) |
                                    (order.back() == 'A' ? PNG_FORMAT_FLAG_ALPHA : 0);
    png.colormap_entries = static_cast<png_uint_32>(p.palette.size());
    const Bytes pixels = Samples(p, order, false), colors = PaletteBytes(p, "RGBA");
    Bytes b(2 * pixels.size() + 4096);
    png_alloc_size_t size = b.size();
    png_image_write_to_memory(&png, b.data(), &size, 0, pixels.data(), 0, colors.data());
    b.resize(size);
    return b;
}

png_structp PngWriterInto(Bytes& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_set_write_fn(
        png, &out,
        [](png_structp w, png_bytep data, png_size_t n) {
            auto* bytes = static_cast<Bytes*>(png_get_io_ptr(w));
            bytes->insert(bytes->end(), data, data + n);
        },
        nullptr);
    return png;
}

Bytes EncodePngDepth(const Picture& p, const std::string& order, int depth, bool interlaced,
                     double gamma)
{
    Bytes b;
    png_structp png = PngWriterInto(b);
    png_infop info = png_create_info_struct(png);
    const int type = (order.size() > 2 ? PNG_COLOR_MASK_COLOR : 0) |
                     (order.back() == 'A' ? PNG_COLOR_MASK_ALPHA : 0);
    png_set_IHDR(png, info, p.width, p.height, depth, type,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (gamma != 0)
        png_set_gAMA(png, info, gamma);
    const Bytes samples = Samples(p, order, false);
    Bytes wide;
    for (unsigned char v : samples)
        wide.insert(wide.end(), depth == 16 ? std::initializer_list<unsigned char>{v, v}
                                            : std::initializer_list<unsigned char>{v});
    std::vector<png_bytep> rows(p.height);
    for (unsigned y = 0; y < p.height; ++y)
        rows[y] = wide.data() + y * (wide.size() / p.height);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return b;
}

Picture Opaque(Picture p)
{
    for (std::uint32_t& c : p.argb)
        c |= 0xFF000000u;
    return p;
}

Picture ReadJpegWithLibjpeg(const Bytes& file, std::vector<int>* warnings)
{
    struct Errors
    {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        std::vector<int>* warnings;
    };
    jpeg_decompress_struct cinfo;
    Errors err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.warnings = warnings;
    err.pub.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<Errors*>(c->err)->jump, 1);
    };
    err.pub.emit_message = [](j_common_ptr c, int level) {
        std::vector<int>* codes = reinterpret_cast<Errors*>(c->err)->warnings;
        if (level < 0 && codes)
            codes->push_back(c->err->msg_code);
    };
    jpeg_create_decompress(&cinfo);
    // What a library error jumps over must be made before.
    Picture p;
    Bytes row;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Picture();
    }
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&cinfo);
    p.width = cinfo.output_width;
    p.height = cinfo.output_height;
    row.resize(std::size_t(p.width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
        for (unsigned x = 0; x < p.width; ++x)
            p.argb.push_back(0xFF000000u | std::uint32_t(row[3 * x]) << 16 |
                             std::uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2]);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return p;
}

Bytes EncodeWal(const Picture& p)
{
    const std::uint32_t area = p.width * p.height;
    Out b;
    b.resize(32, 0); // no name
    b.le32(p.width).le32(p.height).le32(100).le32(100 + area).le32(100 + area * 5 / 4);
    b.le32(100 + area * 21 / 16).resize(100, 0);
    b.put(p.indices).resize(100 + area * 85 / 64, 0); // smaller mip levels left black
    return b;
}

Bytes EncodeLmp(const Picture& p)
{
    Out b;
    return b.le32(p.width).le32(p.height).put(p.indices);
}

std::string GPanoPacket(const Properties& properties, bool elements, const std::string& prefix)
{
    std::string attributes, children;
    for (const auto& [name, value] : properties)
        if (elements)
            children += "<" + prefix + ":" + name + ">" + value + "</" + prefix + ":" + name + ">";
        else
            attributes += " " + prefix + ":" + name + "=\"" + value + "\"";
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" xmlns:" +
           prefix + "=\"http://ns.google.com/photos/1.0/panorama/\"" + attributes + ">" + children +
           "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
}

Picture ReadRgbPicture(const char* path, std::string& reason)
{
    imagedecode::ImageFile file;
    imagedecode::PictureBuffer buffer;
    Picture p;
    if (!file.open(path, reason) || !file.decode(buffer, reason))
        return p;
    if (buffer.picture().layout != imagedecode::PixelLayout::Rgb24) {
        reason = "not an RGB picture";
        return p;
    }
    p.width = buffer.picture().width;
    p.height = buffer.picture().height;
    for (std::size_t i = 0; i < std::size_t(p.width) * p.height; ++i) {
        const unsigned char* rgb = buffer.pixels() + 3 * i;
        p.argb.push_back(0xFF000000u | rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
    }
    return p;
}

Properties GPanoCrop(unsigned fullWidth, unsigned fullHeight, unsigned width, unsigned height,
                     unsigned left, unsigned top, const char* projection)
{
    return {{"ProjectionType", projection},
            {"FullPanoWidthPixels", std::to_string(fullWidth)},
            {"FullPanoHeightPixels", std::to_string(fullHeight)},
            {"CroppedAreaImageWidthPixels", std::to_string(width)},
            {"CroppedAreaImageHeightPixels", std::to_string(height)},
            {"CroppedAreaLeftPixels", std::to_string(left)},
            {"CroppedAreaTopPixels", std::to_string(top)}};
}

Bytes WithJpegApp1(const Bytes& jpeg, const std::string& data, bool afterScans)
{
    Out segment;
    segment.u8(0xFF).u8(0xE1).be16(unsigned(data.size() + 2)).put(Bytes(data.begin(), data.end()));
    Bytes out = jpeg;
    out.insert(afterScans ? out.end() - 2 : out.begin() + 2, segment.begin(), segment.end());
    return out;
}

std::string JpegXmpSegment(const std::string& packet)
{
    return std::string("http://ns.adobe.com/xap/1.0/", 29) + packet;
}

Bytes WithPngChunk(const Bytes& png, const std::string& type, const std::string& data,
                   bool afterImageData)
{
    Bytes body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    Out chunk;
    chunk.be32(std::uint32_t(data.size()))
        .put(body)
        .be32(std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
    Bytes out = png;
    out.insert(afterImageData ? out.end() - 12 : out.begin() + 33, chunk.begin(), chunk.end());
    return out;
}

std::string PngXmpChunk(const std::string& packet, bool compressed)
{
    std::string text = packet;
    if (compressed) {
        uLongf size = compressBound(uLong(packet.size()));
        text.resize(size);
        compress(reinterpret_cast<Bytef*>(&text[0]), &size,
                 reinterpret_cast<const Bytef*>(packet.data()), uLong(packet.size()));
        text.resize(size);
    }
    return std::string("XML:com.adobe.xmp\0", 18) + char(compressed) + std::string(3, '\0') + text;
}

} // namespace testimages

std::vector<ImageCase> ValidCases()
{
    const Picture rgb = MakeTrueColor(13, 7, false), rgba = MakeTrueColor(13, 7, true);
    const Picture grey = MakeTrueColor(13, 7, false, true), pal = MakePaletted(13, 7);
    const Picture greyAlpha = MakeTrueColor(13, 7, true, true);
    // Taller pictures, whose rows fill several bands of the row protocol.
    const Picture tallPal = MakePaletted(13, 37), tallRgba = MakeTrueColor(13, 37, true);
    // Palettes of BMP, PCX and TGA files have no alpha; nor has a 32-bit BMP
    // without a mask that says so.
    return {
        {"Bmp8Bit", "bmp", EncodeBmp(pal, "I"), Opaque(pal)},
        {"Bmp8BitRle", "bmp", EncodeBmp(pal, "I", true), Opaque(pal)},
        {"Bmp24BitTopDown", "bmp", EncodeBmp(rgb, "BGR", false, true), rgb},
        {"Bmp32Bit", "bmp", EncodeBmp(rgba, "BGRA"), Opaque(rgba)},
        {"Bmp32BitAlphaMask", "bmp", EncodeBmpAlphaMask(rgba), rgba},
        {"Bmp8BitRleTall", "bmp", EncodeBmp(tallPal, "I", true), Opaque(tallPal)},
        {"Pcx256", "pcx", EncodePcx(pal), Opaque(pal)},
        {"PgmBinary", "ppm", EncodePnm(grey, "R"), grey},
        {"PpmBinary16Bit", "ppm", EncodePnm(rgb, "RRGGBB"), rgb},
        {"PpmCommentAfterMaximum", "ppm", EncodePnm(rgb, "RGB", "#comment, then the raster\n"),
         rgb},
        {"PsdRleAlpha", "psd", EncodePsd(rgba, "RGBA"), rgba},
        {"PsdRleGrey", "psd", EncodePsd(grey, "R"), grey},
        {"SgiRleGrey", "rgb", EncodeSgi(grey, "R"), grey},
        {"SgiRleRgba", "rgb", EncodeSgi(rgba, "RGBA"), rgba},
        {"SgiRleRgbaTall", "rgb", EncodeSgi(tallRgba, "RGBA"), tallRgba},
        {"Tga24", "tga", EncodeTga(rgb, "BGR"), rgb},
        {"TgaPalette", "tga", EncodeTga(pal, "I"), Opaque(pal)},
        {"TgaRle32TopDown", "tga", EncodeTga(rgba, "BGRA", true, true), rgba},
        {"TgaRleGrey", "tga", EncodeTga(grey, "R", true), grey},
        {"TgaRleTall", "tga", EncodeTga(tallRgba, "BGRA", true), tallRgba},
        {"JpegBaseline", "jpg", EncodeJpeg(rgb, "RGB")},
        {"JpegGrey", "jpg", EncodeJpeg(grey, "R")},
        {"JpegProgressive", "jpg", EncodeJpeg(rgb, "RGB", 1)},
        {"PngPalette", "png", EncodePng(pal, "I"), pal},
        {"PngGreyAlpha", "png", EncodePng(greyAlpha, "RA"), greyAlpha},
        {"PngRgba", "png", EncodePng(rgba, "RGBA"), rgba},
        {"Png16Bit", "png", EncodePngDepth(rgb, "RGB", 16, false), rgb},
        {"Png16BitInterlacedAlpha", "png", EncodePngDepth(rgba, "RGBA", 16, true), rgba},
        {"Png16BitInterlacedGrey", "png", EncodePngDepth(grey, "R", 16, true), grey},
        {"Wal", "wal", EncodeWal(MakePaletted(16, 8))},
        {"Lmp", "lmp", EncodeLmp(MakePaletted(16, 8))},
    };
}
