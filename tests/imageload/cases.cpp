#include "cases.h"

using namespace testimages;

namespace {

// The picture as it comes back from a file whose maximum value is `maxValue`.
Picture Requantized(const Picture& pic, unsigned maxValue)
{
    Picture out = pic;
    for (std::uint32_t& c : out.argb) {
        std::uint32_t q = c & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const unsigned v = (c >> shift) & 0xFF;
            const unsigned stored = (v * maxValue + 127) / 255;
            q |= ((stored * 255 + maxValue / 2) / maxValue) << shift;
        }
        c = q;
    }
    return out;
}

} // namespace

std::vector<ImageCase> ValidCases()
{
    const Picture rgb = MakeTrueColor(13, 7, false);
    const Picture rgb14 = MakeTrueColor(14, 7, false);
    const Picture rgba = MakeTrueColor(13, 7, true);
    const Picture grey = MakeGrey(13, 7, false);
    const Picture greyAlpha = MakeGrey(13, 7, true);
    const Paletted mono = MakePaletted(13, 7, 2);
    const Paletted mono16 = MakePaletted(16, 7, 2);
    const Paletted p16 = MakePaletted(13, 7, 16);
    const Paletted p16Wide = MakePaletted(16, 7, 16);
    const Paletted p256 = MakePaletted(13, 7, 200);
    const Paletted quake = MakePaletted(16, 8, 256);
    const Paletted none;
    const Bytes tgaRgb = EncodeTga(none, rgb, {2, 24});
    const Bytes tgaRgba = EncodeTga(none, rgba, {2, 32});
    const Bytes tgaGrey = EncodeTga(none, grey, {3, 8});

    std::vector<ImageCase> cases;
    auto add = [&](std::string name, std::string ext, Bytes bytes, unsigned precision = 8,
                   bool alpha = true) -> ImageCase& {
        ImageCase c;
        c.name = std::move(name);
        c.extension = std::move(ext);
        c.bytes = std::move(bytes);
        c.precision = precision;
        c.compareAlpha = alpha;
        cases.push_back(std::move(c));
        return cases.back();
    };
    auto against = [](ImageCase& c, Bytes reference, std::string ext) {
        c.reference = std::move(reference);
        c.referenceExtension = std::move(ext);
    };

    // The engine keeps palette and 16-bit pictures in 5 bits per channel.
    add("Bmp1Bit", "bmp", EncodeBmp(mono, {}, {1}), 5, false);
    add("Bmp4Bit", "bmp", EncodeBmp(p16, {}, {4}), 5, false);
    add("Bmp8Bit", "bmp", EncodeBmp(p256, {}, {8}), 5, false);
    add("Bmp8BitRle", "bmp", EncodeBmp(p256, {}, {8, true}), 5, false);
    // The engine's RLE4 decoder corrupts its heap.
    against(add("Bmp4BitRle", "bmp", EncodeBmp(p16, {}, {4, true}), 5, false),
            EncodeBmp(p16, {}, {4}), "bmp");
    add("Bmp16Bit", "bmp", EncodeBmp(none, rgb14, {16}), 5, false);
    // The engine ignores the row padding of 16-bit rows.
    against(add("Bmp16BitPadded", "bmp", EncodeBmp(none, rgb, {16}), 5, false),
            EncodeTga(none, rgb, {2, 16}), "tga");
    against(add("Bmp16Bit565", "bmp", EncodeBmp(none, rgb, {16, false, false, true}), 5, false),
            tgaRgb, "tga");
    add("Bmp24Bit", "bmp", EncodeBmp(none, rgb, {24}));
    against(add("Bmp24BitTopDown", "bmp", EncodeBmp(none, rgb, {24, false, true})), tgaRgb, "tga");
    add("Bmp32Bit", "bmp", EncodeBmp(none, rgba, {32}));

    // The engine misreads 1- and 4-bit lines (worse when they are padded),
    // and reads four 1-bit planes as if they were one 4-bit plane.
    against(add("PcxMono", "pcx", EncodePcx(mono16, {}, PcxKind::Mono), 5, false),
            EncodeBmp(mono16, {}, {1}), "bmp");
    against(add("Pcx16Packed", "pcx", EncodePcx(p16Wide, {}, PcxKind::Packed16), 5, false),
            EncodeBmp(p16Wide, {}, {4}), "bmp");
    against(add("PcxMonoPadded", "pcx", EncodePcx(mono, {}, PcxKind::Mono), 5, false),
            EncodeBmp(mono, {}, {1}), "bmp");
    against(add("Pcx16PackedPadded", "pcx", EncodePcx(p16, {}, PcxKind::Packed16), 5, false),
            EncodeBmp(p16, {}, {4}), "bmp");
    against(add("Pcx16Planar", "pcx", EncodePcx(p16, {}, PcxKind::Planar16), 5, false),
            EncodeBmp(p16, {}, {4}), "bmp");
    add("Pcx256", "pcx", EncodePcx(p256, {}, PcxKind::Indexed256), 5, false);
    add("Pcx24Bit", "pcx", EncodePcx(none, rgb, PcxKind::Rgb));

    // The engine shows bitmaps inverted (1 is black), colour files with red
    // and blue swapped, and ignores maximum values below 255.
    against(add("PbmAscii", "ppm", EncodePnm(mono.picture, 1, 1)), EncodePnm(mono.picture, 5, 255),
            "ppm");
    against(add("PbmBinary", "ppm", EncodePnm(mono.picture, 4, 1)), EncodePnm(mono.picture, 5, 255),
            "ppm");
    add("PgmAscii", "ppm", EncodePnm(rgb, 2, 255));
    add("PgmBinary", "ppm", EncodePnm(rgb, 5, 255));
    against(add("PpmAscii", "ppm", EncodePnm(rgb, 3, 255)), tgaRgb, "tga");
    against(add("PpmBinary", "ppm", EncodePnm(rgb, 6, 255)), tgaRgb, "tga");
    against(add("PpmBinaryMax100", "ppm", EncodePnm(rgb, 6, 100)),
            EncodeTga(none, Requantized(rgb, 100), {2, 24}), "tga");
    against(add("PpmBinary16Bit", "ppm", EncodePnm(rgb, 6, 65535)), tgaRgb, "tga");

    // Without an alpha channel the engine leaves alpha undefined; with one
    // it reads alpha only from compressed files.
    add("PsdRaw", "psd", EncodePsd(rgb, false, false), 8, false);
    add("PsdRle", "psd", EncodePsd(rgb, false, true), 8, false);
    against(add("PsdRawAlpha", "psd", EncodePsd(rgba, true, false)), tgaRgba, "tga");
    add("PsdRleAlpha", "psd", EncodePsd(rgba, true, true));
    against(add("PsdGrey", "psd", EncodePsd(grey, false, true, true)), tgaGrey, "tga");

    // The engine shows grey files in blue and mixes up the channels of RGBA
    // files; it cannot read grey with alpha.
    against(add("SgiGrey", "rgb", EncodeSgi(grey, 1, false)), tgaGrey, "tga");
    add("SgiRgb", "rgb", EncodeSgi(rgb, 3, false));
    against(add("SgiRgba", "rgb", EncodeSgi(rgba, 4, false)), tgaRgba, "tga");
    add("SgiRgbRle", "rgb", EncodeSgi(rgb, 3, true));
    against(add("SgiRgbaRle", "rgb", EncodeSgi(rgba, 4, true)), tgaRgba, "tga");
    against(add("SgiGreyAlphaRle", "rgb", EncodeSgi(greyAlpha, 2, true)),
            EncodePng(greyAlpha, none, PngKind::GreyAlpha), "png");

    add("Tga24", "tga", tgaRgb);
    add("Tga24TopDown", "tga", EncodeTga(none, rgb, {2, 24, true}));
    add("Tga32", "tga", tgaRgba);
    add("Tga16", "tga", EncodeTga(none, rgb, {2, 16}), 5, false);
    add("TgaGrey", "tga", tgaGrey);
    add("TgaPalette", "tga", EncodeTga(p256, {}, {1, 8}), 5, false);
    // The engine garbles 32-bit colour map entries.
    against(add("TgaPalette32", "tga", EncodeTga(p256, {}, {1, 8, false, 32}), 5, false),
            EncodeTga(p256, {}, {1, 8}), "tga");
    add("TgaRle24", "tga", EncodeTga(none, rgb, {10, 24}));
    add("TgaRle32TopDown", "tga", EncodeTga(none, rgba, {10, 32, true}));
    // Compressed colour-mapped and grey files are beyond the engine.
    against(add("TgaRlePalette", "tga", EncodeTga(p256, {}, {9, 8}), 5, false),
            EncodeTga(p256, {}, {1, 8}), "tga");
    against(add("TgaRleGrey", "tga", EncodeTga(none, grey, {11, 8})), tgaGrey, "tga");

    add("JpegRgb", "jpg", EncodeJpeg(rgb, JpegKind::Rgb));
    add("JpegGrey", "jpg", EncodeJpeg(rgb, JpegKind::Grey));
    add("JpegProgressive", "jpg", EncodeJpeg(rgb, JpegKind::Progressive));
    // The engine puts the first ink into blue.
    add("JpegCmyk", "jpg", EncodeJpeg(rgb, JpegKind::Cmyk)).engineSwapsRedAndBlue = true;

    add("PngRgb", "png", EncodePng(rgb, none, PngKind::Rgb));
    add("PngRgba", "png", EncodePng(rgba, none, PngKind::Rgba));
    add("PngGrey", "png", EncodePng(grey, none, PngKind::Grey));
    add("PngGreyAlpha", "png", EncodePng(greyAlpha, none, PngKind::GreyAlpha));
    add("PngPalette", "png", EncodePng(rgb, p256, PngKind::Palette));
    add("PngPaletteTransparent", "png", EncodePng(rgb, p256, PngKind::PaletteTransparent));
    add("Png16Bit", "png", EncodePng(rgb, none, PngKind::Rgb16)).tolerance = 1;
    add("PngInterlaced", "png", EncodePng(rgb, none, PngKind::Interlaced));

    add("Wal", "wal", EncodeWal(quake));
    add("Lmp", "lmp", EncodeLmp(quake));
    return cases;
}
