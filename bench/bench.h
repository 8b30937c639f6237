// Skyglass benchmark: shared pieces. The benchmark is a list of sections; each
// measures one thing and adds its tables. New sections (for example another
// image loader to compare) plug in through `sections()` in main.cpp.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace bench {

struct Options
{
    std::string viewer;   // the viewer executable; may be missing
    std::string baseline; // the baseline program built beside the benchmark
    std::string probe;    // the frame probe library (LD_PRELOAD)
    int runs = 5;         // start-ups per program and image
    int warmup = 60;      // frames before the steady state
    int frames = 300;     // frames measured in the steady state
    int timeoutSeconds = 180;
    bool small = false; // small images, for a quick smoke run
    bool keep = false;  // keep the work folder
};

struct BenchImage
{
    std::string path;
    std::string label; // such as "8192 x 4096 JPEG"
};

// The folder the programs run in: "config.cfg", "media/360.x" and the
// generated test images: equirectangular, an 8192 x 4096 JPEG, a
// 4096 x 2048 PNG, and two JPEGs larger than a texture can be here,
// 16384 x 8192 and 24000 x 12000 (small: an eighth of each side).
struct Workspace
{
    std::string dir;
    std::vector<BenchImage> images;
};

struct Table
{
    std::string title;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> notes;

    void print(std::ostream& out) const; // as a Markdown table
};

std::string formatNumber(double value, int decimals);

// Times of the whole programs: start-up, frames, memory, heap allocations.
bool runProgramSection(const Options& options, const Workspace& workspace,
                       std::vector<Table>& tables);

} // namespace bench
