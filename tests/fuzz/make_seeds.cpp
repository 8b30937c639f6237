// Writes the tests' valid files into the seed folder of the format the table
// recognises in each, and the files built to cost the most of each kind into
// their format's folder; all of them into the folder "any". The packets of
// partial panoramas, after a picture's size, go to the folder "xmp", and
// colour profiles, after a byte that chooses the samples' layout, to
// "profile": ones lcms makes, and the real profiles of Debian's colord-data
// where it is installed. Sizes suit the
// fuzzing build's limit of 4 megapixels, and no file is over 64 KB, so that
// libFuzzer's inputs stay small.
#include "bytes_file.h"
#include "imagedecode.h"
#include "modern_formats.h"
#include "profiles.h"
#include "testimages.h"
#include "worstfiles.h"

#include <filesystem>
#include <fstream>

namespace {

void Write(const std::filesystem::path& root, const std::string& key, const std::string& name,
           const testimages::Bytes& bytes)
{
    for (const std::string& folder : {key, std::string("any")}) {
        std::filesystem::create_directories(root / folder);
        std::ofstream(root / folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path root(argc > 1 ? argv[1] : ".");
    for (const ImageCase& c : ValidCases()) {
        const BytesFile file(c.bytes);
        imagedecode::ImageFile image;
        std::string reason;
        if (!image.open(file.path(), reason))
            return 1;
        Write(root, image.format().key, c.name + "." + c.extension, c.bytes);
    }
    // HEIF and WebP, small, as their own encoders write them.
    {
        using namespace testimages;
        using namespace modernformats;
        const Picture p = MakeTrueColor(32, 16, true);
        HeifOptions turned;
        turned.alpha = true;
        turned.orientation = 6;
        turned.xmp = GPanoPacket(GPanoCrop(128, 64, 32, 16, 8, 8));
        Write(root, "heif", "turned.heic", EncodeHeif(p, Heif::Hevc, turned));
        Write(root, "heif", "turned.avif", EncodeHeif(p, Heif::Av1, turned));
        HeifOptions p3;
        p3.nclxPrimaries = 12, p3.nclxTransfer = 13;
        Write(root, "heif", "p3.heic", EncodeHeif(p, Heif::Hevc, p3));
        Write(root, "webp", "lossy.webp", EncodeWebp(p, false, true));
        Write(root, "webp", "lossless.webp", EncodeWebp(p, true, false));
        Write(root, "webp", "animated.webp", EncodeWebp(p, true, true, 2));
        Write(root, "webp", "chunks.webp",
              WithWebpChunks(EncodeWebp(p, false, false),
                             GPanoPacket(GPanoCrop(128, 64, 32, 16, 8, 8)),
                             profiles::RgbProfile(profiles::AdobeRgb)));
    }
    using namespace worstfiles;
    Write(root, "png", "after-the-picture.png",
          PngWithDataAfterPicture(64, 32, 8, false, 32 << 20));
    Write(root, "png", "after-the-picture-16.png",
          PngWithDataAfterPicture(13, 7, 16, true, 8 << 20));
    Write(root, "bmp", "long-runs.bmp", BmpWithLongRuns(64, 16, 30000));
    Write(root, "bmp", "ending-early.bmp", BmpEndingEarly(2048, 2048, 7));
    Write(root, "pcx", "long-lines.pcx", PcxWithLongLines(16, 8, 65534));
    Write(root, "jpeg", "empty-scans.jpg", JpegWithScans(2048, 2048, 100, true));
    Write(root, "jpeg", "100-scans.jpg", JpegWithScans(64, 32, 100, false));
    Write(root, "jpeg", "101-scans.jpg", JpegWithScans(64, 32, 101, false));
    Write(root, "jpeg", "100-scans-cmyk.jpg", JpegWithScans(32, 16, 100, false, 4));

    using namespace testimages;
    const Properties crop = GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500);
    const std::string packets[] = {GPanoPacket(crop), GPanoPacket(crop, true),
                                   GPanoPacket(crop, false, "pano"),
                                   GPanoPacket(GPanoCrop(4000, 2000, 4000, 500, 0, 0))};
    for (std::size_t i = 0; i < std::size(packets); ++i) {
        const std::string seed = std::string("\x01\x90\x00\x64", 4) + packets[i]; // 400 x 100
        std::filesystem::create_directories(root / "xmp");
        std::ofstream(root / "xmp" / ("packet-" + std::to_string(i) + ".xmp"), std::ios::binary)
            << seed;
    }

    // The layout byte counts in the fuzz target's list: 0 RGB, 2 grey,
    // 6 16-bit RGB, 8 CMYK.
    std::filesystem::create_directories(root / "profile");
    const auto profile = [&](const std::string& name, unsigned char layout,
                             const testimages::Bytes& bytes) {
        std::ofstream out(root / "profile" / name, std::ios::binary);
        out.put(static_cast<char>(layout));
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    profile("adobe.icc", 0, profiles::RgbProfile(profiles::AdobeRgb));
    profile("prophoto-16.icc", 6, profiles::RgbProfile(profiles::ProPhoto));
    profile("srgb.icc", 0, profiles::SrgbProfile());
    profile("grey.icc", 2, profiles::GreyProfile(2.2));
    profile("cmyk.icc", 8, profiles::CmykProfile());
    profile("abstract.icc", 0, profiles::AbstractProfile());
    for (const char* name :
         {"AdobeRGB1998.icc", "ProPhotoRGB.icc", "sRGB.icc", "Gamma6500K.icc", "x11-colors.icc"}) {
        const testimages::Bytes bytes = profiles::ColordProfile(name);
        if (!bytes.empty())
            profile(std::string("colord-") + name, 0, bytes);
    }
}
