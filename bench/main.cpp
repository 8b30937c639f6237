// skyglass-bench: measures the viewer against a baseline that makes the same
// engine calls, under the X display in DISPLAY (run it through
// tests/support/with-xvfb.sh where there is none), and prints Markdown tables.
#include "bench.h"
#include "sample_panorama.h"
#include "settings_record.h"

#include <irrlicht.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
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
    "start-up to the first frame with an 8192 x 4096 JPEG and a 4096 x 2048 PNG, frame\n"
    "times at 1280 x 720, peak memory and heap allocations per frame; then the image\n"
    "loaders on the same files. --small uses small images (a quick smoke run).\n";

bool parseCount(const char* text, int& value, int low)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > 100000)
        return false;
    value = int(v);
    return true;
}

// Paints the sample panorama at the size and writes it with the engine's writer.
bool writeImage(video::IVideoDriver* driver, const std::string& path, u32 width, u32 height)
{
    video::IImage* image =
        driver->createImage(video::ECF_R8G8B8, core::dimension2du(width, height));
    if (!image)
        return false;
    samplepano::paint(*image);
    const bool ok = driver->writeImageToFile(image, io::path(path.c_str()), 92);
    image->drop();
    return ok;
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

    const u32 jw = options.small ? 1024 : 8192, pw = options.small ? 512 : 4096;
    ws.jpeg = ws.dir + "/panorama.jpg";
    ws.png = ws.dir + "/panorama.png";
    ws.jpegLabel = std::to_string(jw) + " x " + std::to_string(jw / 2) + " JPEG";
    ws.pngLabel = std::to_string(pw) + " x " + std::to_string(pw / 2) + " PNG";

    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_NULL;
    params.LoggingLevel = ELL_ERROR;
    IrrlichtDevice* device = createDeviceEx(params);
    if (!device)
        return false;
    std::cerr << "painting the test images\n";
    const bool ok = writeImage(device->getVideoDriver(), ws.jpeg, jw, jw / 2) &&
                    writeImage(device->getVideoDriver(), ws.png, pw, pw / 2);
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
