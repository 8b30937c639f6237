// skyglass-bench: measures the viewer against a baseline that makes the same
// engine calls, under the X display in DISPLAY (run it through
// tests/support/with-xvfb.sh where there is none), and prints Markdown tables.
#include "bench.h"
#include "modern_formats.h"
#include "profiles.h"
#include "sample_panorama.h"
#include "settings_record.h"

#include <irrlicht.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace bench {

std::string formatNumber(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void Table::print(std::ostream& out) const
{
    out << "### " << title << "\n\n|";
    for (const std::string& c : columns)
        out << " " << c << " |";
    out << "\n|";
    for (std::size_t i = 0; i < columns.size(); ++i)
        out << (i == 0 ? "---|" : "---:|");
    out << "\n";
    for (const auto& row : rows) {
        out << "|";
        for (const std::string& c : row)
            out << " " << c << " |";
        out << "\n";
    }
    for (const std::string& note : notes)
        out << "\n" << note << "\n";
    out << "\n";
}

} // namespace bench

namespace {

using namespace irr;

const char usage[] =
    "Usage: skyglass-bench [--viewer PATH] [--runs N] [--warmup N] [--frames N]\n"
    "                      [--timeout SECONDS] [--small] [--keep]\n"
    "Measures the viewer against the baseline program under the X display in DISPLAY\n"
    "(use tests/support/with-xvfb.sh CMD to get one) and prints Markdown tables:\n"
    "start-up to the first frame with an 8192 x 4096 JPEG (also with an Adobe RGB profile,\n"
    "and as HEIC, AVIF and WebP),\n"
    "a 4096 x 2048 PNG and JPEGs of 16384 x 8192 and 24000 x 12000, frame times at\n"
    "1280 x 720, peak memory and heap\n"
    "allocations per frame. --small uses images of an eighth the size (a quick smoke run).\n";

bool parseCount(const char* text, int& value, int low)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > 100000)
        return false;
    value = int(v);
    return true;
}

// Paints the sample panorama at the size and writes it with the engine's
// writer (JPEG at `quality`).
bool writeImage(video::IVideoDriver* driver, const std::string& path, u32 width, u32 height,
                u32 quality = 92)
{
    video::IImage* image =
        driver->createImage(video::ECF_R8G8B8, core::dimension2du(width, height));
    if (!image)
        return false;
    samplepano::paint(*image);
    const bool ok = driver->writeImageToFile(image, io::path(path.c_str()), quality);
    image->drop();
    return ok;
}

bool writeBytes(const std::string& path, const testimages::Bytes& bytes)
{
    return bool(
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
}

// The first picture again, listed after it: as a camera set to Adobe RGB
// writes it (the same samples, with its profile), and as phones and the
// web save it (HEIC, AVIF and WebP).
bool writeOtherKinds(video::IVideoDriver* driver, bench::Workspace& ws, u32 width, u32 height)
{
    std::ifstream in(ws.images.front().path, std::ios::binary);
    const testimages::Bytes jpeg((std::istreambuf_iterator<char>(in)), {});
    if (jpeg.empty())
        return false;
    video::IImage* image =
        driver->createImage(video::ECF_R8G8B8, core::dimension2du(width, height));
    if (!image)
        return false;
    samplepano::paint(*image);
    testimages::Picture picture{width, height};
    for (u32 y = 0; y < height; ++y)
        for (u32 x = 0; x < width; ++x)
            picture.argb.push_back(image->getPixel(x, y).color);
    image->drop();

    modernformats::HeifOptions heif;
    heif.fast = true;
    const struct
    {
        const char* file;
        const char* kind;
        testimages::Bytes bytes;
    } files[] = {{"panorama-adobe.jpg", "Adobe RGB JPEG",
                  profiles::WithJpegProfile(jpeg, profiles::RgbProfile(profiles::AdobeRgb))},
                 {"panorama.heic", "HEIC",
                  modernformats::EncodeHeif(picture, modernformats::Heif::Hevc, heif)},
                 {"panorama.avif", "AVIF",
                  modernformats::EncodeHeif(picture, modernformats::Heif::Av1, heif)},
                 {"panorama.webp", "WebP", modernformats::EncodeWebp(picture, false, false)}};
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " ";
    std::ptrdiff_t at = 1;
    for (const auto& file : files) {
        const std::string path = ws.dir + "/" + file.file;
        if (!writeBytes(path, file.bytes))
            return false;
        ws.images.insert(ws.images.begin() + at++, {path, size + file.kind});
    }
    return true;
}

bool prepare(const bench::Options& options, bench::Workspace& ws)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "skyglass-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::cerr << "skyglass-bench: cannot create a work folder\n";
        return false;
    }
    ws.dir = pattern;

    std::error_code error;
    fs::create_directory(ws.dir + "/media", error);
    fs::copy_file(SKYGLASS_BENCH_MESH, ws.dir + "/media/360.x", error);
    if (error) {
        std::cerr << "skyglass-bench: cannot copy " << SKYGLASS_BENCH_MESH << ": "
                  << error.message() << " (build the target media_and_config)\n";
        return false;
    }

    // The viewer's settings: OpenGL, 1280 x 720, 32 bits, windowed, no
    // stencil buffer, no vertical sync.
    const SettingsRecord settings = EncodeSettings({5, 1280, 720, 32, 0, 0, 0});
    std::ofstream(ws.dir + "/config.cfg", std::ios::binary)
        .write(reinterpret_cast<const char*>(settings.data()), std::streamsize(settings.size()));

    // Width, height, file, quality: today's two pictures, then two larger
    // than a texture can be here, as photos are written.
    const u32 scale = options.small ? 8 : 1;
    const struct
    {
        u32 width, height;
        const char* file;
        u32 quality;
    } pictures[] = {{8192, 4096, "panorama.jpg", 92},
                    {4096, 2048, "panorama.png", 92},
                    {16384, 8192, "large.jpg", 90},
                    {24000, 12000, "larger.jpg", 90}};

    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_NULL;
    params.LoggingLevel = ELL_ERROR;
    IrrlichtDevice* device = createDeviceEx(params);
    if (!device)
        return false;
    std::cerr << "painting the test images\n";
    bool ok = true;
    for (const auto& picture : pictures) {
        const u32 width = picture.width / scale, height = picture.height / scale;
        const std::string path = ws.dir + "/" + picture.file;
        const std::string kind = path.substr(path.size() - 3) == "png" ? "PNG" : "JPEG";
        ws.images.push_back(
            {path, std::to_string(width) + " x " + std::to_string(height) + " " + kind});
        ok = ok && writeImage(device->getVideoDriver(), path, width, height, picture.quality);
    }
    ok = ok && writeOtherKinds(device->getVideoDriver(), ws, 8192 / scale, 4096 / scale);
    device->drop();
    if (!ok)
        std::cerr << "skyglass-bench: cannot write the test images in " << ws.dir << "\n";
    return ok;
}

std::string machine(const bench::Workspace& ws)
{
    std::string cpu = "unknown CPU", renderer;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);)
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    std::ifstream log(ws.dir + "/log-baseline-0-0.txt");
    for (std::string line; std::getline(log, line);)
        if (line.find("Using renderer") != std::string::npos ||
            line.find("OpenGL driver version") != std::string::npos)
            renderer += (renderer.empty() ? "" : "; ") + line;
    std::ostringstream out;
    out << "Machine: " << cpu << ", " << sysconf(_SC_NPROCESSORS_ONLN) << " cores online";
    if (!renderer.empty())
        out << "; " << renderer;
    return out.str();
}

} // namespace

int main(int argc, char** argv)
{
    bench::Options options;
    options.viewer = SKYGLASS_BENCH_VIEWER;
    options.baseline = SKYGLASS_BENCH_BASELINE;
    options.probe = SKYGLASS_BENCH_PROBE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--viewer" && hasValue)
            options.viewer = argv[++i];
        else if (a == "--runs" && hasValue && parseCount(argv[i + 1], options.runs, 1))
            ++i;
        else if (a == "--warmup" && hasValue && parseCount(argv[i + 1], options.warmup, 0))
            ++i;
        else if (a == "--frames" && hasValue && parseCount(argv[i + 1], options.frames, 2))
            ++i;
        else if (a == "--timeout" && hasValue && parseCount(argv[i + 1], options.timeoutSeconds, 1))
            ++i;
        else if (a == "--small")
            options.small = true;
        else if (a == "--keep")
            options.keep = true;
        else {
            std::cerr << usage;
            return 2;
        }
    }
    if (!std::getenv("DISPLAY")) {
        std::cerr << "skyglass-bench: no X display (DISPLAY is not set); run it as\n"
                     "  tests/support/with-xvfb.sh "
                  << argv[0] << "\n";
        return 2;
    }

    bench::Workspace workspace;
    if (!prepare(options, workspace))
        return 1;

    std::vector<bench::Table> tables;
    const bool ok = bench::runProgramSection(options, workspace, tables);

    std::cout << machine(workspace) << "\n\n";
    for (const bench::Table& table : tables)
        table.print(std::cout);

    if (options.keep) {
        std::cerr << "work folder kept: " << workspace.dir << "\n";
    } else {
        std::error_code ignored;
        std::filesystem::remove_all(workspace.dir, ignored);
    }
    return ok ? 0 : 1;
}
