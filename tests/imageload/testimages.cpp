#include "testimages.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace testimages {

namespace {

void Put16(Bytes& b, unsigned v)
{
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutBe16(Bytes& b, unsigned v)
{
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
void PutBe32(Bytes& b, std::uint32_t v)
{
    PutBe16(b, v >> 16);
    PutBe16(b, v & 0xFFFF);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (8 * i)) & 0xFF;
}
unsigned R(std::uint32_t c)
{
    return (c >> 16) & 0xFF;
}
unsigned G(std::uint32_t c)
{
    return (c >> 8) & 0xFF;
}
unsigned B(std::uint32_t c)
{
    return c & 0xFF;
}
unsigned A(std::uint32_t c)
{
    return c >> 24;
}
unsigned Grey(std::uint32_t c)
{
    return (R(c) * 3 + G(c) * 6 + B(c)) / 10;
}

std::uint32_t MakeArgb(unsigned a, unsigned r, unsigned g, unsigned b)
{
    return (std::uint32_t(a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

// Encodes `row` as PackBits (PSD).
void PackBits(const unsigned char* row, std::size_t n, Bytes& out)
{
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            out.push_back(static_cast<unsigned char>(1 - int(run)));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        std::size_t lit = 0;
        while (i + lit < n && lit < 128) {
            if (i + lit + 2 < n && row[i + lit] == row[i + lit + 1] &&
                row[i + lit] == row[i + lit + 2])
                break;
            ++lit;
        }
        out.push_back(static_cast<unsigned char>(lit - 1));
        out.insert(out.end(), row + i, row + i + lit);
        i += lit;
    }
}

} // namespace

Picture MakeTrueColor(unsigned width, unsigned height, bool alpha)
{
    Picture p{width, height, {}};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            p.argb.push_back(MakeArgb(alpha ? (x * 29 + y * 71 + 5) : 255, x * 19 + y * 3 + 7,
                                      y * 37 + x * 2, (x * y * 11 + 40)));
    return p;
}

Paletted MakePaletted(unsigned width, unsigned height, unsigned colors)
{
    Paletted p;
    for (unsigned i = 0; i < colors; ++i)
        p.palette.push_back(colors == 2 ? (i ? 0xFFFFFFFFu : 0xFF000000u)
                                        : MakeArgb(255, i * 47 + 3, 255 - i * 13, i * 101 + 50));
    p.picture = Picture{width, height, {}};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            // Runs of equal indices so that run-length encoders have work.
            const unsigned index = ((x / 3) * 7 + y * 5) % colors;
            p.indices.push_back(static_cast<unsigned char>(index));
            p.picture.argb.push_back(p.palette[index]);
        }
    return p;
}

Picture MakeGrey(unsigned width, unsigned height, bool alpha)
{
    Picture p{width, height, {}};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            const unsigned v = (x * 23 + y * 41) & 0xFF;
            p.argb.push_back(MakeArgb(alpha ? 255 - x * 9 : 255, v, v, v));
        }
    return p;
}

Bytes EncodeBmp(const Paletted& p, const Picture& tc, const BmpOptions& o)
{
    const unsigned w = p.picture.width ? p.picture.width : tc.width;
    const unsigned h = p.picture.width ? p.picture.height : tc.height;
    const bool paletted = o.bpp <= 8;
    const unsigned width = paletted ? p.picture.width : tc.width;
    const unsigned height = paletted ? p.picture.height : tc.height;
    (void)w;
    (void)h;
    Bytes b = {'B', 'M'};
    Put32(b, 0); // file size, set below
    Put32(b, 0);
    Put32(b, 0); // data offset, set below
    Put32(b, 40);
    Put32(b, width);
    Put32(b, o.topDown ? std::uint32_t(-std::int32_t(height)) : height);
    Put16(b, 1);
    Put16(b, o.bpp);
    const unsigned compression = o.rle ? (o.bpp == 8 ? 1 : 2) : (o.bitfields565 ? 3 : 0);
    Put32(b, compression);
    Put32(b, 0);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, paletted ? p.palette.size() : 0);
    Put32(b, 0);
    if (o.bitfields565) {
        Put32(b, 0xF800);
        Put32(b, 0x07E0);
        Put32(b, 0x001F);
    }
    if (paletted)
        for (std::uint32_t c : p.palette) {
            b.push_back(B(c));
            b.push_back(G(c));
            b.push_back(R(c));
            b.push_back(0);
        }
    Set32(b, 10, b.size());
    for (unsigned i = 0; i < height; ++i) {
        const unsigned y = o.topDown ? i : height - 1 - i;
        const std::size_t rowStart = b.size();
        if (o.rle) {
            const unsigned char* idx = p.indices.data() + y * width;
            unsigned x = 0;
            // One literal run first, then encoded runs.
            const unsigned lit = width >= 5 ? 5 : 0;
            if (lit) {
                b.push_back(0);
                b.push_back(lit);
                if (o.bpp == 8) {
                    b.insert(b.end(), idx, idx + lit);
                } else {
                    for (unsigned k = 0; k < lit; k += 2)
                        b.push_back((idx[k] << 4) | (k + 1 < lit ? idx[k + 1] : 0));
                }
                while ((b.size() - rowStart) % 2)
                    b.push_back(0);
                x = lit;
            }
            while (x < width) {
                unsigned run = 1;
                while (x + run < width && run < 255 && idx[x + run] == idx[x])
                    ++run;
                b.push_back(run);
                b.push_back(o.bpp == 8 ? idx[x] : (idx[x] << 4) | idx[x]);
                x += run;
            }
            b.push_back(0);
            b.push_back(i + 1 == height ? 1 : 0);
            continue;
        }
        for (unsigned x = 0; x < width; ++x) {
            const std::uint32_t c = tc.width ? tc.at(x, y) : 0;
            switch (o.bpp) {
            case 1:
            case 4:
            case 8: {
                const unsigned per = 8 / o.bpp;
                if (x % per == 0)
                    b.push_back(0);
                b.back() |= p.indices[y * width + x] << (8 - o.bpp * (x % per + 1));
                break;
            }
            case 16:
                if (o.bitfields565)
                    Put16(b, ((R(c) >> 3) << 11) | ((G(c) >> 2) << 5) | (B(c) >> 3));
                else
                    Put16(b, ((R(c) >> 3) << 10) | ((G(c) >> 3) << 5) | (B(c) >> 3));
                break;
            case 24:
                b.push_back(B(c));
                b.push_back(G(c));
                b.push_back(R(c));
                break;
            default:
                Put32(b, c);
                break;
            }
        }
        while ((b.size() - rowStart) % 4)
            b.push_back(0);
    }
    Set32(b, 2, b.size());
    return b;
}

Bytes EncodePcx(const Paletted& p, const Picture& tc, PcxKind kind)
{
    const Picture& pic = kind == PcxKind::Rgb ? tc : p.picture;
    const unsigned w = pic.width, h = pic.height;
    unsigned bits = 8, planes = 1;
    if (kind == PcxKind::Mono)
        bits = 1;
    if (kind == PcxKind::Planar16) {
        bits = 1;
        planes = 4;
    }
    if (kind == PcxKind::Packed16)
        bits = 4;
    if (kind == PcxKind::Rgb)
        planes = 3;
    unsigned bpl = (w * bits + 7) / 8;
    bpl += bpl & 1;
    Bytes b(128, 0);
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = 1;
    b[3] = bits;
    b[8] = (w - 1) & 0xFF;
    b[9] = (w - 1) >> 8;
    b[10] = (h - 1) & 0xFF;
    b[11] = (h - 1) >> 8;
    if (kind == PcxKind::Planar16 || kind == PcxKind::Packed16)
        for (unsigned i = 0; i < 16 && i < p.palette.size(); ++i) {
            b[16 + 3 * i] = R(p.palette[i]);
            b[17 + 3 * i] = G(p.palette[i]);
            b[18 + 3 * i] = B(p.palette[i]);
        }
    b[65] = planes;
    b[66] = bpl & 0xFF;
    b[67] = bpl >> 8;
    b[68] = 1;
    for (unsigned y = 0; y < h; ++y) {
        Bytes line(bpl * planes, 0);
        for (unsigned x = 0; x < w; ++x) {
            const unsigned idx = p.indices.empty() ? 0 : p.indices[y * w + x];
            const std::uint32_t c = pic.at(x, y);
            switch (kind) {
            case PcxKind::Mono:
                if (c & 0xFFFFFF)
                    line[x / 8] |= 0x80 >> (x % 8);
                break;
            case PcxKind::Planar16:
                for (unsigned pl = 0; pl < 4; ++pl)
                    if (idx & (1 << pl))
                        line[pl * bpl + x / 8] |= 0x80 >> (x % 8);
                break;
            case PcxKind::Packed16:
                line[x / 2] |= (x & 1) ? idx : idx << 4;
                break;
            case PcxKind::Indexed256:
                line[x] = idx;
                break;
            case PcxKind::Rgb:
                line[x] = R(c);
                line[bpl + x] = G(c);
                line[2 * bpl + x] = B(c);
                break;
            }
        }
        for (std::size_t i = 0; i < line.size();) {
            std::size_t run = 1;
            while (i + run < line.size() && run < 63 && line[i + run] == line[i])
                ++run;
            if (run > 1 || line[i] >= 0xC0)
                b.push_back(0xC0 | run);
            b.push_back(line[i]);
            i += run;
        }
    }
    if (kind == PcxKind::Indexed256) {
        b.push_back(0x0C);
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint32_t c = i < p.palette.size() ? p.palette[i] : 0;
            b.push_back(R(c));
            b.push_back(G(c));
            b.push_back(B(c));
        }
    }
    return b;
}

Bytes EncodePnm(const Picture& pic, int kind, unsigned maxValue)
{
    const bool ascii = kind <= 3, bitmap = kind == 1 || kind == 4;
    const unsigned channels = (kind == 3 || kind == 6) ? 3 : 1;
    std::string head = "P" + std::to_string(kind) + "\n# made by the tests\n" +
                       std::to_string(pic.width) + " " + std::to_string(pic.height) + "\n";
    if (!bitmap)
        head += std::to_string(maxValue) + "\n";
    Bytes b(head.begin(), head.end());
    auto scaled = [maxValue](unsigned v) { return (v * maxValue + 127) / 255; };
    for (unsigned y = 0; y < pic.height; ++y) {
        unsigned char bits = 0;
        for (unsigned x = 0; x < pic.width; ++x) {
            const std::uint32_t c = pic.at(x, y);
            if (bitmap) {
                const unsigned black = (c & 0xFFFFFF) == 0;
                if (ascii) {
                    b.push_back('0' + black);
                    b.push_back(x % 5 == 4 ? ' ' : '\n');
                } else {
                    bits |= black << (7 - x % 8);
                    if (x % 8 == 7 || x + 1 == pic.width) {
                        b.push_back(bits);
                        bits = 0;
                    }
                }
                continue;
            }
            const unsigned values[3] = {R(c), G(c), B(c)};
            for (unsigned i = 0; i < channels; ++i) {
                const unsigned v = scaled(channels == 1 ? Grey(c) : values[i]);
                if (ascii) {
                    const std::string s = std::to_string(v) + (i % 2 ? "\n" : " ");
                    b.insert(b.end(), s.begin(), s.end());
                } else if (maxValue > 255) {
                    PutBe16(b, v);
                } else {
                    b.push_back(v);
                }
            }
        }
    }
    return b;
}

Bytes EncodePsd(const Picture& pic, bool alpha, bool rle, bool grey)
{
    const unsigned colours = grey ? 1 : 3;
    const unsigned channels = colours + (alpha ? 1 : 0);
    Bytes b = {'8', 'B', 'P', 'S'};
    PutBe16(b, 1);
    b.insert(b.end(), 6, 0);
    PutBe16(b, channels);
    PutBe32(b, pic.height);
    PutBe32(b, pic.width);
    PutBe16(b, 8);
    PutBe16(b, grey ? 1 : 3);
    PutBe32(b, 0);
    PutBe32(b, 0);
    PutBe32(b, 0);
    PutBe16(b, rle ? 1 : 0);
    std::vector<Bytes> rows;
    for (unsigned c = 0; c < channels; ++c)
        for (unsigned y = 0; y < pic.height; ++y) {
            Bytes row;
            for (unsigned x = 0; x < pic.width; ++x) {
                const std::uint32_t v = pic.at(x, y);
                const unsigned values[4] = {R(v), G(v), B(v), A(v)};
                row.push_back(grey ? (c == 0 ? R(v) : A(v)) : values[c]);
            }
            rows.push_back(row);
        }
    if (!rle) {
        for (const Bytes& row : rows)
            b.insert(b.end(), row.begin(), row.end());
        return b;
    }
    std::vector<Bytes> packed;
    for (const Bytes& row : rows) {
        Bytes out;
        PackBits(row.data(), row.size(), out);
        PutBe16(b, out.size());
        packed.push_back(out);
    }
    for (const Bytes& row : packed)
        b.insert(b.end(), row.begin(), row.end());
    return b;
}

Bytes EncodeSgi(const Picture& pic, unsigned channels, bool rle)
{
    Bytes b;
    PutBe16(b, 474);
    b.push_back(rle ? 1 : 0);
    b.push_back(1);
    PutBe16(b, channels == 1 ? 2 : 3);
    PutBe16(b, pic.width);
    PutBe16(b, pic.height);
    PutBe16(b, channels);
    PutBe32(b, 0);
    PutBe32(b, 255);
    b.resize(512, 0);
    std::vector<Bytes> rows;
    for (unsigned c = 0; c < channels; ++c)
        for (unsigned i = 0; i < pic.height; ++i) {
            const unsigned y = pic.height - 1 - i; // bottom row first
            Bytes row;
            for (unsigned x = 0; x < pic.width; ++x) {
                const std::uint32_t v = pic.at(x, y);
                unsigned value;
                if (channels <= 2)
                    value = c == 0 ? R(v) : A(v);
                else
                    value = c == 0 ? R(v) : c == 1 ? G(v) : c == 2 ? B(v) : A(v);
                row.push_back(value);
            }
            rows.push_back(row);
        }
    if (!rle) {
        for (const Bytes& row : rows)
            b.insert(b.end(), row.begin(), row.end());
        return b;
    }
    const std::size_t tables = b.size();
    b.resize(tables + rows.size() * 8, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Bytes& row = rows[r];
        const std::size_t start = b.size();
        for (std::size_t i = 0; i < row.size();) {
            std::size_t run = 1;
            while (i + run < row.size() && run < 127 && row[i + run] == row[i])
                ++run;
            if (run >= 2) {
                b.push_back(run);
                b.push_back(row[i]);
            } else {
                std::size_t lit = 1;
                while (i + lit < row.size() && lit < 127 &&
                       !(i + lit + 1 < row.size() && row[i + lit] == row[i + lit + 1]))
                    ++lit;
                b.push_back(0x80 | lit);
                b.insert(b.end(), row.begin() + i, row.begin() + i + lit);
                run = lit;
            }
            i += run;
        }
        b.push_back(0);
        for (int k = 0; k < 4; ++k) {
            b[tables + 4 * r + k] = (start >> (24 - 8 * k)) & 0xFF;
            b[tables + 4 * (rows.size() + r) + k] = ((b.size() - start) >> (24 - 8 * k)) & 0xFF;
        }
    }
    return b;
}

Bytes EncodeTga(const Paletted& p, const Picture& tc, const TgaOptions& o)
{
    const unsigned base = o.type & 3;
    const Picture& pic = base == 1 ? p.picture : tc;
    Bytes b;
    b.push_back(3); // image id length
    b.push_back(base == 1 ? 1 : 0);
    b.push_back(o.type);
    Put16(b, 0);
    Put16(b, base == 1 ? p.palette.size() : 0);
    b.push_back(base == 1 ? o.mapBits : 0);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, pic.width);
    Put16(b, pic.height);
    b.push_back(o.depth);
    b.push_back((o.topDown ? 0x20 : 0) | (o.depth == 32 ? 8 : o.depth == 16 ? 1 : 0));
    b.insert(b.end(), {'i', 'd', '!'});
    auto color = [&](Bytes& out, std::uint32_t c, unsigned bits) {
        if (bits == 16)
            Put16(out, 0x8000 | ((R(c) >> 3) << 10) | ((G(c) >> 3) << 5) | (B(c) >> 3));
        else {
            out.push_back(B(c));
            out.push_back(G(c));
            out.push_back(R(c));
            if (bits == 32)
                out.push_back(A(c));
        }
    };
    if (base == 1)
        for (std::uint32_t c : p.palette)
            color(b, c, o.mapBits);
    std::vector<Bytes> pixels;
    for (unsigned i = 0; i < pic.height; ++i) {
        const unsigned y = o.topDown ? i : pic.height - 1 - i;
        for (unsigned x = 0; x < pic.width; ++x) {
            Bytes px;
            if (base == 1)
                px.push_back(p.indices[y * pic.width + x]);
            else if (base == 3)
                px.push_back(R(pic.at(x, y)));
            else
                color(px, pic.at(x, y), o.depth);
            pixels.push_back(px);
        }
    }
    if (o.type < 9) {
        for (const Bytes& px : pixels)
            b.insert(b.end(), px.begin(), px.end());
        return b;
    }
    for (std::size_t i = 0; i < pixels.size();) {
        std::size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run >= 2) {
            b.push_back(0x80 | (run - 1));
            b.insert(b.end(), pixels[i].begin(), pixels[i].end());
        } else {
            std::size_t lit = 1;
            while (i + lit < pixels.size() && lit < 128 &&
                   !(i + lit + 1 < pixels.size() && pixels[i + lit] == pixels[i + lit + 1]))
                ++lit;
            b.push_back(lit - 1);
            for (std::size_t k = 0; k < lit; ++k)
                b.insert(b.end(), pixels[i + k].begin(), pixels[i + k].end());
            run = lit;
        }
        i += run;
    }
    return b;
}

Bytes EncodeJpeg(const Picture& pic, JpegKind kind, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = pic.width;
    cinfo.image_height = pic.height;
    cinfo.input_components = kind == JpegKind::Grey ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    cinfo.in_color_space = kind == JpegKind::Grey   ? JCS_GRAYSCALE
                           : kind == JpegKind::Cmyk ? JCS_CMYK
                                                    : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    std::vector<jpeg_scan_info> scans;
    if (kind == JpegKind::ManyScans) {
        scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
        for (int component = 0; component < 3; ++component)
            for (int k = 1; k < 64; ++k)
                scans.push_back({1, {component, 0, 0, 0}, k, k, 0, 0});
        cinfo.scan_info = scans.data();
        cinfo.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(pic.width * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const unsigned y = cinfo.next_scanline;
        for (unsigned x = 0; x < pic.width; ++x) {
            const std::uint32_t c = pic.at(x, y);
            if (kind == JpegKind::Grey) {
                row[x] = Grey(c);
            } else if (kind == JpegKind::Cmyk) {
                row[4 * x] = R(c);
                row[4 * x + 1] = G(c);
                row[4 * x + 2] = B(c);
                row[4 * x + 3] = 255 - (x * 9 + y * 5) % 120;
            } else {
                row[3 * x] = R(c);
                row[3 * x + 1] = G(c);
                row[3 * x + 2] = B(c);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes b(out, out + outSize);
    free(out);
    return b;
}

namespace {
void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* b = static_cast<Bytes*>(png_get_io_ptr(png));
    b->insert(b->end(), data, data + length);
}
void PngFlush(png_structp) {}

// Runs `body` with libpng's errors caught; false when one occurred.
bool Guarded(png_structp png, const std::function<void()>& body)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    body();
    return true;
}
} // namespace

Bytes EncodePng(const Picture& pic, const Paletted& p, PngKind kind)
{
    const bool palette = kind == PngKind::Palette || kind == PngKind::PaletteTransparent;
    const Picture& src = palette ? p.picture : pic;
    Bytes b;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool written = Guarded(png, [&] {
        png_set_write_fn(png, &b, PngWrite, PngFlush);
        int colorType = PNG_COLOR_TYPE_RGB, depth = 8;
        switch (kind) {
        case PngKind::Rgba:
            colorType = PNG_COLOR_TYPE_RGB_ALPHA;
            break;
        case PngKind::Grey:
            colorType = PNG_COLOR_TYPE_GRAY;
            break;
        case PngKind::GreyAlpha:
            colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
            break;
        case PngKind::Palette:
        case PngKind::PaletteTransparent:
            colorType = PNG_COLOR_TYPE_PALETTE;
            break;
        case PngKind::Rgb16:
            depth = 16;
            break;
        default:
            break;
        }
        png_set_IHDR(png, info, src.width, src.height, depth, colorType,
                     kind == PngKind::Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (palette) {
            std::vector<png_color> colors;
            std::vector<png_byte> alphas;
            for (std::size_t i = 0; i < p.palette.size(); ++i) {
                colors.push_back({png_byte(R(p.palette[i])), png_byte(G(p.palette[i])),
                                  png_byte(B(p.palette[i]))});
                alphas.push_back(png_byte(255 - i * 17));
            }
            png_set_PLTE(png, info, colors.data(), colors.size());
            if (kind == PngKind::PaletteTransparent)
                png_set_tRNS(png, info, alphas.data(), alphas.size(), nullptr);
        }
        png_write_info(png, info);
        std::vector<Bytes> rows;
        for (unsigned y = 0; y < src.height; ++y) {
            Bytes row;
            for (unsigned x = 0; x < src.width; ++x) {
                const std::uint32_t c = src.at(x, y);
                switch (kind) {
                case PngKind::Rgba:
                    row.insert(row.end(),
                               {png_byte(R(c)), png_byte(G(c)), png_byte(B(c)), png_byte(A(c))});
                    break;
                case PngKind::Grey:
                    row.push_back(R(c));
                    break;
                case PngKind::GreyAlpha:
                    row.insert(row.end(), {png_byte(R(c)), png_byte(A(c))});
                    break;
                case PngKind::Palette:
                case PngKind::PaletteTransparent:
                    row.push_back(p.indices[y * src.width + x]);
                    break;
                case PngKind::Rgb16:
                    row.insert(row.end(), {png_byte(R(c)), png_byte(x * 31), png_byte(G(c)),
                                           png_byte(y * 17), png_byte(B(c)), png_byte(x + y)});
                    break;
                default:
                    row.insert(row.end(), {png_byte(R(c)), png_byte(G(c)), png_byte(B(c))});
                    break;
                }
            }
            rows.push_back(row);
        }
        std::vector<png_bytep> pointers;
        for (Bytes& row : rows)
            pointers.push_back(row.data());
        png_write_image(png, pointers.data());
        png_write_end(png, info);
    });
    png_destroy_write_struct(&png, &info);
    if (!written)
        throw std::runtime_error("png encoder failed");
    return b;
}

Bytes EncodeWal(const Paletted& p)
{
    const unsigned w = p.picture.width, h = p.picture.height;
    Bytes b(32, 0);
    const std::string name = "walls/test";
    std::copy(name.begin(), name.end(), b.begin());
    Put32(b, w);
    Put32(b, h);
    std::uint32_t offset = 100;
    for (unsigned level = 0; level < 4; ++level) {
        Put32(b, offset);
        offset += (w >> level) * (h >> level);
    }
    b.resize(100, 0);
    for (unsigned level = 0; level < 4; ++level)
        for (unsigned y = 0; y < (h >> level); ++y)
            for (unsigned x = 0; x < (w >> level); ++x)
                b.push_back(p.indices[(y << level) * w + (x << level)]);
    return b;
}

Bytes EncodeLmp(const Paletted& p)
{
    Bytes b;
    Put32(b, p.picture.width);
    Put32(b, p.picture.height);
    b.insert(b.end(), p.indices.begin(), p.indices.end());
    return b;
}

} // namespace testimages
