// Loads a large JPEG and a large PNG as a texture, once with the engine's own
// loader (getTexture) and once with the safe loader (LoadPanoramaTexture),
// each load in a fresh process on the null driver, and prints time and peak
// memory side by side.
//
//   skyglass-bench-imageload [--runs N] [--small] [--opengl] [--worst]
//
// With --opengl the loads go to a real OpenGL device (needs a display), so
// that the texture conversion and upload are part of time and memory. With
// --worst it loads, with the safe loader only, the files built to cost the
// most of each kind beside valid files of the same picture size, and prints
// what they cost per MB of file and per megapixel.
#include "imageload.h"
#include "modern_formats.h"
#include "testimages.h"
#include "worstfiles.h"

#include <irrlicht.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace irr;

namespace {

// A panorama-like picture: sky gradient, horizon, and fine detail that keeps
// the compressors honest.
void PictureRow(unsigned width, unsigned height, unsigned y, std::vector<unsigned char>& row)
{
    row.resize(width * 3);
    unsigned seed = y * 2654435761u;
    for (unsigned x = 0; x < width; ++x) {
        seed = seed * 1103515245u + 12345u;
        const int noise = int((seed >> 16) & 31) - 16;
        const double v = double(y) / height, u = double(x) / width;
        const double wave = std::sin(u * 40.0) * std::cos(v * 17.0) * 40.0;
        int r, g, b;
        if (v < 0.55) {
            r = int(90 + 120 * v + wave * 0.3);
            g = int(140 + 80 * v + wave * 0.2);
            b = int(230 - 40 * v);
        } else {
            r = int(70 + wave + noise * 2);
            g = int(110 + wave * 0.8 + noise * 2);
            b = int(50 + noise);
        }
        row[3 * x] = static_cast<unsigned char>(std::clamp(r + noise / 4, 0, 255));
        row[3 * x + 1] = static_cast<unsigned char>(std::clamp(g + noise / 4, 0, 255));
        row[3 * x + 2] = static_cast<unsigned char>(std::clamp(b + noise / 4, 0, 255));
    }
}

void WriteJpeg(const std::string& path, unsigned width, unsigned height)
{
    std::vector<unsigned char> painted;
    const testimages::Bytes file = testimages::CompressJpeg(
        width, height, 3, JCS_RGB,
        [](jpeg_compress_struct& cinfo) { jpeg_set_quality(&cinfo, 90, TRUE); },
        [&](unsigned y, unsigned char* row) {
            PictureRow(width, height, y, painted);
            std::copy(painted.begin(), painted.end(), row);
        });
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

void WritePng(const std::string& path, unsigned width, unsigned height)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row;
    for (unsigned y = 0; y < height; ++y) {
        PictureRow(width, height, y, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// The peak resident size of this process image. (getrusage's peak would
// carry over from the benchmark that forked it, across exec.)
long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// In the child: load once, print "<milliseconds> <peak KiB added> <1 when
// loaded, 0 when refused>".
int LoadOnce(const std::string& driverName, const std::string& loader, const std::string& file)
{
    IrrlichtDevice* device =
        createDevice(driverName == "opengl" ? video::EDT_OPENGL : video::EDT_NULL,
                     core::dimension2d<u32>(64, 64));
    if (!device)
        return 1;
    device->getLogger()->setLogLevel(ELL_NONE);
    video::IVideoDriver* driver = device->getVideoDriver();
    const long before = PeakKiB();
    const auto start = std::chrono::steady_clock::now();
    video::ITexture* texture = loader == "engine" ? driver->getTexture(file.c_str())
                                                  : LoadPanoramaTexture(driver, file.c_str());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const long added = PeakKiB() - before;
    device->drop();
    std::printf("%.1f %ld %d\n", ms, added, texture ? 1 : 0);
    return 0;
}

// Both loaders must give the same pixels for the comparison to mean anything.
bool SamePixels(const std::string& file)
{
    IrrlichtDevice* device = createDevice(video::EDT_NULL);
    device->getLogger()->setLogLevel(ELL_NONE);
    video::IVideoDriver* driver = device->getVideoDriver();
    std::string reason;
    video::IImage* engine = driver->createImageFromFile(file.c_str());
    video::IImage* ours = imageload::DecodePanoramaImageFile(driver, file.c_str(), reason);
    const bool same =
        engine && ours && engine->getColorFormat() == ours->getColorFormat() &&
        engine->getDimension() == ours->getDimension() &&
        std::memcmp(engine->lock(), ours->lock(), engine->getImageDataSizeInBytes()) == 0;
    if (engine)
        engine->drop();
    if (ours)
        ours->drop();
    device->drop();
    return same;
}

bool RunChild(const char* self, const std::string& driverName, const std::string& loader,
              const std::string& file, double& ms, long& kib, int& loaded)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl(self, self, "--child", driverName.c_str(), loader.c_str(), file.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    // The engine prints its banner first; the result is the last line.
    std::string output;
    char buffer[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    const std::size_t lastLine = output.rfind('\n');
    const std::string result = lastLine == std::string::npos ? output : output.substr(lastLine + 1);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(result.c_str(), "%lf %ld %d", &ms, &kib, &loaded) == 3;
}

template <class T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? T() : values[values.size() / 2];
}

void WriteFile(const std::string& path, const worstfiles::Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The files built to cost the most of each kind, each after a valid file of
// the same picture size, loaded by LoadPanoramaTexture on the null driver.
int RunWorst(const char* self, const std::string& folder, int runs, bool small)
{
    const std::uint32_t scale = small ? 8 : 1;
    const std::uint32_t w = 4096 / scale, h = 2048 / scale;    // PNG and BMP pictures
    const std::uint32_t jw = 16384 / scale, jh = 8192 / scale; // the largest picture
    struct File
    {
        std::string label, path;
        double megapixels;
    };
    std::vector<File> files;
    auto add = [&](const std::string& label, const std::string& name, std::uint32_t width,
                   std::uint32_t height, const worstfiles::Bytes& bytes) {
        const std::string path = folder + "/" + name;
        if (!bytes.empty())
            WriteFile(path, bytes);
        files.push_back({label, path, double(width) * height / 1e6});
    };
    std::fprintf(stderr, "writing the files...\n");
    add("PNG, valid", "valid.png", w, h, worstfiles::PngWithDataAfterPicture(w, h, 8, false, 0));
    add("PNG, 40 GiB inflated after the picture", "after.png", w, h,
        worstfiles::PngWithDataAfterPicture(w, h, 8, false, (std::uint64_t(40) << 30) / scale));
    add("BMP run-length, valid", "valid.bmp", w, h, worstfiles::BmpWithLongRuns(w, h, 0));
    {
        std::FILE* f = std::fopen((folder + "/runs.bmp").c_str(), "wb");
        std::fclose(f);
        std::ofstream out(folder + "/runs.bmp", std::ios::binary);
        worstfiles::WriteBmpWithLongRuns(out, w, h, 500'000'000 / scale);
    }
    add("BMP run-length, 1000 MB of runs past a row's end", "runs.bmp", w, h, {});
    add("BMP run-length, ends early (refused)", "early.bmp", jw, jh,
        worstfiles::BmpEndingEarly(jw, jh, (jh - 1) / 255));
    WriteJpeg(folder + "/valid.jpg", jw, jh);
    add("JPEG, valid photo (baseline, 4:2:0)", "valid.jpg", jw, jh, {});
    add("JPEG, 100 arithmetic progressive scans, 4:4:4", "scans.jpg", jw, jh,
        worstfiles::JpegWithScans(jw, jh, 100, false));
    add("JPEG, the same in CMYK", "cmyk.jpg", jw, jh,
        worstfiles::JpegWithScans(jw, jh, 100, false, 4));
    add("JPEG, 100 scans without data (refused)", "empty.jpg", jw, jh,
        worstfiles::JpegWithScans(jw, jh, 100, true));
    // HEIF and WebP: the most data a picture can have, noise at the highest
    // quality; libheif and libwebp decode the whole picture at once.
    testimages::Picture noise{w, h};
    std::uint32_t seed = 1;
    for (std::uint32_t i = 0; i < w * h; ++i)
        noise.argb.push_back(0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8));
    modernformats::HeifOptions best;
    best.quality = 100;
    add("HEIC, noise at quality 100", "noise.heic", w, h,
        modernformats::EncodeHeif(noise, modernformats::Heif::Hevc, best));
    add("AVIF, noise at quality 100", "noise.avif", w, h,
        modernformats::EncodeHeif(noise, modernformats::Heif::Av1, best));
    add("WebP lossless, noise", "noise.webp", w, h, modernformats::EncodeWebp(noise, true, false));

    std::printf("The costliest files of each kind with LoadPanoramaTexture on the null driver, "
                "median of %d runs, each in a fresh process\n\n",
                runs);
    std::printf("%-50s %9s %8s %8s %9s %9s %8s %8s %9s\n", "File", "MB", "MP", "Result", "ms",
                "Peak MiB", "ms/MB", "ms/MP", "MiB/MP");
    bool ok = true;
    for (const File& file : files) {
        std::vector<double> times;
        std::vector<long> peaks;
        int loaded = 0;
        for (int r = 0; r < runs; ++r) {
            double ms = 0;
            long kib = 0;
            if (RunChild(self, "null", "imageload", file.path, ms, kib, loaded)) {
                times.push_back(ms);
                peaks.push_back(kib);
            }
        }
        if (times.empty()) {
            std::printf("%-50s %9s\n", file.label.c_str(), "failed");
            ok = false;
            continue;
        }
        std::FILE* f = std::fopen(file.path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        const double megabytes = double(std::ftell(f)) / 1e6;
        std::fclose(f);
        const double ms = Median(times), mib = Median(peaks) / 1024.0;
        std::printf("%-50s %9.3f %8.1f %8s %9.1f %9.1f %8.2f %8.2f %9.2f\n", file.label.c_str(),
                    megabytes, file.megapixels, loaded ? "loaded" : "refused", ms, mib,
                    ms / megabytes, ms / file.megapixels, mib / file.megapixels);
        std::remove(file.path.c_str());
    }
    std::printf("\nPeak memory is the growth of the process's peak resident size during "
                "the load.\n");
    rmdir(folder.c_str());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return LoadOnce(argv[2], argv[3], argv[4]);

    int runs = 5;
    bool small = false;
    bool worst = false;
    std::string driverName = "null";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--small") == 0)
            small = true;
        else if (std::strcmp(argv[i], "--opengl") == 0)
            driverName = "opengl";
        else if (std::strcmp(argv[i], "--worst") == 0)
            worst = true;
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--small] [--opengl] [--worst]\n", argv[0]);
            return 1;
        }
    }

    char folder[] = "/tmp/skyglass-bench-imageload-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    if (worst)
        return RunWorst(argv[0], folder, runs, small);
    const unsigned scale = small ? 8 : 1;
    const std::string jpeg = std::string(folder) + "/panorama.jpg";
    const std::string png = std::string(folder) + "/panorama.png";
    WriteJpeg(jpeg, 8192 / scale, 4096 / scale);
    WritePng(png, 4096 / scale, 2048 / scale);

    struct Row
    {
        std::string label, file;
    };
    const Row images[] = {
        {std::to_string(8192 / scale) + "x" + std::to_string(4096 / scale) + " JPEG", jpeg},
        {std::to_string(4096 / scale) + "x" + std::to_string(2048 / scale) + " PNG", png}};

    std::printf("Texture loading on the %s driver, median of %d runs, each in a fresh "
                "process\n\n",
                driverName == "opengl" ? "OpenGL" : "null", runs);
    std::printf("%-16s %-22s %10s %10s %18s\n", "Image", "Loader", "Median ms", "Best ms",
                "Peak memory (MiB)");
    bool ok = true;
    const char* loaders[] = {"engine", "imageload"};
    for (const Row& image : images) {
        // Runs alternate between the loaders so that both see the same
        // machine load.
        std::vector<double> times[2];
        std::vector<long> peaks[2];
        for (int r = 0; r < runs; ++r)
            for (int l = 0; l < 2; ++l) {
                double ms = 0;
                long kib = 0;
                int loaded = 0;
                if (RunChild(argv[0], driverName, loaders[l], image.file, ms, kib, loaded) &&
                    loaded) {
                    times[l].push_back(ms);
                    peaks[l].push_back(kib);
                } else {
                    ok = false;
                }
            }
        for (int l = 0; l < 2; ++l) {
            const char* name = l == 0 ? "engine getTexture" : "LoadPanoramaTexture";
            if (times[l].empty()) {
                std::printf("%-16s %-22s %10s\n", image.label.c_str(), name, "failed");
                continue;
            }
            std::sort(times[l].begin(), times[l].end());
            std::sort(peaks[l].begin(), peaks[l].end());
            std::printf("%-16s %-22s %10.1f %10.1f %18.1f\n", image.label.c_str(), name,
                        times[l][times[l].size() / 2], times[l].front(),
                        peaks[l][peaks[l].size() / 2] / 1024.0);
        }
    }
    std::printf("\nPeak memory is the growth of the process's peak resident size during "
                "the load.\n");
    for (const Row& image : images) {
        const bool same = SamePixels(image.file);
        std::printf("%s: %s\n", image.label.c_str(),
                    same ? "both loaders give identical pixels" : "the loaders DIFFER");
        ok = ok && same;
    }
    std::remove(jpeg.c_str());
    std::remove(png.c_str());
    rmdir(folder);
    return ok ? 0 : 1;
}
